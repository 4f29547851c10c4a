#include "platform/HelpPage.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace dravel {

std::filesystem::path HelpPageFolder() {
  // An empty variable is as good as none: a relative path would land in
  // whatever folder the program was started from.
  for (const char* Name : {"TEMP", "TMPDIR"})
    if (const char* Value = std::getenv(Name); Value && *Value) return Value;
  return "/tmp";
}

std::filesystem::path WriteHelpPage(const std::filesystem::path& Folder) {
  const std::filesystem::path File = Folder / "drnettmp.htm";
  std::ofstream Out(File, std::ios::binary | std::ios::trunc);
  for (const std::string& Line : HelpPageLines()) Out << Line << "\r\n";
  Out.close();
  if (!Out)
    throw std::system_error(errno ? errno : EIO, std::generic_category(),
                            "Cannot write " + File.string());
  return File;
}

bool OpenDocument(const std::string& Target) {
  // Two forks, so the handler is adopted by init and never left a zombie
  // of ours. The middle child waits a little for the handler: a missing
  // opener, or one that finds nothing to open with, ends at once and fails;
  // one still running then (a browser in the foreground) counts as opened.
  const pid_t Middle = fork();
  if (Middle < 0) return false;
  if (Middle == 0) {
    setsid();
    const pid_t Handler = fork();
    if (Handler == 0) {
      execlp("xdg-open", "xdg-open", Target.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (Handler < 0) _exit(1);
    constexpr int Polls = 40;  // 50 ms each
    for (int I = 0; I < Polls; ++I) {
      int Status = 0;
      if (waitpid(Handler, &Status, WNOHANG) == Handler)
        _exit(WIFEXITED(Status) && WEXITSTATUS(Status) == 0 ? 0 : 1);
      usleep(50000);
    }
    _exit(0);
  }
  int Status = 0;
  while (waitpid(Middle, &Status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

}  // namespace dravel
