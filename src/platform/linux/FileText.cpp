#include "platform/linux/FileText.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace dravel {

bool ReadTextFile(const std::string& Path, std::string& Text, std::size_t Limit) {
  constexpr std::size_t Chunk = 4096;
  Text.clear();
  const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  bool Ok = true;
  while (Text.size() < Limit) {
    const std::size_t Used = Text.size();
    const std::size_t Want = std::min(Chunk, Limit - Used);
    Text.resize(Used + Want);
    const ssize_t Got = ::read(Fd, Text.data() + Used, Want);
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
