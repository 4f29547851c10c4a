#pragma once
// A loaded shared library and the folder of the running executable.

#include <optional>
#include <string>

namespace dravel {

class TDynamicLibrary {
 public:
  using TProcedure = void (*)();

  // Empty when the library cannot be loaded.
  static std::optional<TDynamicLibrary> Load(const std::string& Path);
  TDynamicLibrary(TDynamicLibrary&& Other) noexcept;
  TDynamicLibrary& operator=(TDynamicLibrary&&) = delete;
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  ~TDynamicLibrary();  // unloads

  // An export taking no arguments; nullptr when it is missing.
  TProcedure Procedure(const char* Name) const;

 private:
  explicit TDynamicLibrary(void* Handle) : FHandle(Handle) {}
  void* FHandle;
};

// With a trailing "/"; empty when it cannot be found.
std::string ExecutableDirectory();

}  // namespace dravel
