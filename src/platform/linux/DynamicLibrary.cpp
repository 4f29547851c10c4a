#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace dravel {

std::optional<TDynamicLibrary> TDynamicLibrary::Load(const std::string& Path) {
  void* Handle = ::dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!Handle) return std::nullopt;
  return TDynamicLibrary(Handle);
}

TDynamicLibrary::TDynamicLibrary(TDynamicLibrary&& Other) noexcept
    : FHandle(std::exchange(Other.FHandle, nullptr)) {}

TDynamicLibrary::~TDynamicLibrary() {
  if (FHandle) ::dlclose(FHandle);
}

TDynamicLibrary::TProcedure TDynamicLibrary::Procedure(const char* Name) const {
  // The C interface hands back a data pointer for a function; this is its documented use.
  return reinterpret_cast<TProcedure>(::dlsym(FHandle, Name));
}

std::string ExecutableDirectory() {
  std::array<char, 4096> Path{};
  const ssize_t Length = ::readlink("/proc/self/exe", Path.data(), Path.size() - 1);
  if (Length <= 0) return {};
  std::string Text(Path.data(), static_cast<std::size_t>(Length));
  const auto Slash = Text.rfind('/');
  return Slash == std::string::npos ? std::string{} : Text.substr(0, Slash + 1);
}

}  // namespace dravel
