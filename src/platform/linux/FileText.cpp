#include "platform/linux/FileText.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace dravel {

bool ReadTextFile(const std::string& Path, std::string& Text) {
  constexpr std::size_t Limit = 16u << 20;
  constexpr std::size_t Chunk = 4096;
  Text.clear();
  const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  bool Ok = true;
  while (Text.size() < Limit) {
    const std::size_t Used = Text.size();
    Text.resize(Used + Chunk);
    const ssize_t Got = ::read(Fd, Text.data() + Used, Chunk);
    if (Got < 0 && errno == EINTR) {
      Text.resize(Used);
      continue;
    }
    Text.resize(Used + static_cast<std::size_t>(Got > 0 ? Got : 0));
    if (Got <= 0) {
      Ok = Got == 0;
      break;
    }
  }
  ::close(Fd);
  return Ok;
}

}  // namespace dravel
