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
  // of ours; only the short-lived middle child is waited for.
  const pid_t Middle = fork();
  if (Middle < 0) return false;
  if (Middle == 0) {
    setsid();
    const pid_t Handler = fork();
    if (Handler == 0) {
      execlp("xdg-open", "xdg-open", Target.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(Handler < 0 ? 1 : 0);
  }
  int Status = 0;
  while (waitpid(Middle, &Status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

}  // namespace dravel
