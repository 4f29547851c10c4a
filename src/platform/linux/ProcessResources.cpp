#include "platform/ProcessResources.h"

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>

namespace dravel {

namespace {
constexpr rlim_t OpenFileCeiling = 65536;
}

std::size_t RaiseOpenFileLimit() {
  rlimit Limit{};
  if (::getrlimit(RLIMIT_NOFILE, &Limit) != 0) return OpenFileLimit();
  const rlim_t Wanted = Limit.rlim_max == RLIM_INFINITY ? OpenFileCeiling : std::min(Limit.rlim_max, OpenFileCeiling);
  if (Limit.rlim_cur == RLIM_INFINITY || Limit.rlim_cur >= Wanted) return OpenFileLimit();
  Limit.rlim_cur = Wanted;
  ::setrlimit(RLIMIT_NOFILE, &Limit);
  return OpenFileLimit();
}

std::size_t OpenFileLimit() {
  rlimit Limit{};
  if (::getrlimit(RLIMIT_NOFILE, &Limit) != 0) return 1024;
  if (Limit.rlim_cur == RLIM_INFINITY) return OpenFileCeiling;
  return static_cast<std::size_t>(Limit.rlim_cur);
}

void ReleaseFreeMemory() { ::malloc_trim(0); }

}  // namespace dravel
