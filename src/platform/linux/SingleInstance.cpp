#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace dravel {
namespace {

constexpr const char* EventName = "OsselVantorEvent";

// A folder of our own: a directory owned by us that nobody else may enter.
bool IsPrivateFolder(const std::filesystem::path& Folder) {
  struct stat Info {};
  return ::lstat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) &&
         Info.st_uid == ::getuid() && (Info.st_mode & 077) == 0;
}

// Makes the FIFO unless one is there; false when the place is taken by
// something else or cannot be written.
bool EnsureFifo(const std::filesystem::path& Path) {
  struct stat Info {};
  if (::lstat(Path.c_str(), &Info) == 0) return S_ISFIFO(Info.st_mode);
  return ::mkfifo(Path.c_str(), 0600) == 0 || errno == EEXIST;
}

void CloseIfOpen(int Fd) {
  if (Fd >= 0) ::close(Fd);
}

}  // namespace

std::filesystem::path SingleInstanceFolder() {
  if (const char* Runtime = std::getenv("XDG_RUNTIME_DIR"); Runtime && Runtime[0] == '/')
    return Runtime;
  const char* Temp = std::getenv("TMPDIR");
  const std::filesystem::path Base = Temp && Temp[0] == '/' ? Temp : "/tmp";
  const std::filesystem::path Folder = Base / ("dravel-" + std::to_string(::getuid()));
  ::mkdir(Folder.c_str(), 0700);
  // Someone else's folder (or a link) in a shared temp folder must not be
  // trusted; the objects then fail to open and this copy runs unchecked.
  return IsPrivateFolder(Folder) ? Folder : std::filesystem::path();
}

TSingleInstanceLock::TSingleInstanceLock(const std::filesystem::path& Folder, const char* Name) {
  if (Folder.empty()) return;
  FFd = ::open((Folder / Name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (FFd < 0) return;
  if (::flock(FFd, LOCK_EX | LOCK_NB) != 0) FFirst = errno != EWOULDBLOCK;
}

TSingleInstanceLock::~TSingleInstanceLock() { CloseIfOpen(FFd); }

bool TSingleInstanceLock::IsFirstInstance() const { return FFirst; }

TSingleInstanceEvent::TSingleInstanceEvent(const std::filesystem::path& Folder)
    : FStop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  const std::filesystem::path Path = Folder.empty() ? Folder : Folder / EventName;
  // Read and write: the listener is then also a writer, so the FIFO never
  // reports a hang-up between signals.
  if (!Path.empty() && EnsureFifo(Path))
    FFifo = ::open(Path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

TSingleInstanceEvent::~TSingleInstanceEvent() {
  CloseIfOpen(FFifo);
  CloseIfOpen(FStop);
}

bool TSingleInstanceEvent::Wait() {
  for (;;) {
    pollfd Watch[2] = {{FStop, POLLIN, 0}, {FFifo, POLLIN, 0}};
    // Without a channel only Stop() can end the wait.
    const nfds_t Count = FFifo >= 0 ? 2 : 1;
    if (::poll(Watch, Count, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (Watch[0].revents != 0) return false;
    // A channel that broke cannot wake anyone again; waiting on it would spin.
    if ((Watch[1].revents & (POLLERR | POLLNVAL)) != 0) return false;
    // Every listener sees the byte arrive; the one whose read takes it is
    // the one woken, the others wait on.
    char Signal = 0;
    if ((Watch[1].revents & POLLIN) != 0 && ::read(FFifo, &Signal, 1) == 1) return true;
  }
}

void TSingleInstanceEvent::Stop() {
  const std::uint64_t One = 1;
  [[maybe_unused]] const ssize_t Written = ::write(FStop, &One, sizeof One);
}

bool SignalSingleInstanceEvent(const std::filesystem::path& Folder) {
  if (Folder.empty()) return false;
  // Non-blocking: with no listener the open fails at once (ENXIO) instead of
  // waiting for a reader; a regular file in the FIFO's place is refused.
  const int Fd =
      ::open((Folder / EventName).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (Fd < 0) return false;
  struct stat Info {};
  const char Signal = 1;
  const bool Sent =
      ::fstat(Fd, &Info) == 0 && S_ISFIFO(Info.st_mode) && ::write(Fd, &Signal, 1) == 1;
  ::close(Fd);
  return Sent;
}

}  // namespace dravel
