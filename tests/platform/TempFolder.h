#pragma once
// A fresh folder under /tmp for one test, removed with everything in it.

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace dravel::testing {

class TTempFolder {
 public:
  TTempFolder() {
    std::string Template = (std::filesystem::temp_directory_path() / "dravel-test-XXXXXX").string();
    if (!mkdtemp(Template.data())) throw std::runtime_error("cannot make a temporary folder");
    FPath = Template;
  }
  ~TTempFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

}  // namespace dravel::testing
