#pragma once
// Runs a test under an LC_NUMERIC whose decimal separator is a comma, as a German user's
// program does. Machines often have no such locale installed, so it is compiled from the
// system's locale sources into a temporary folder once per test program.

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace dravel::testing {

class TCommaLocale {
 public:
  TCommaLocale() {
    const char* Current = std::setlocale(LC_NUMERIC, nullptr);
    FPrevious = Current ? Current : "C";
    FActive = std::setlocale(LC_NUMERIC, Name) || (Compiled() && std::setlocale(LC_NUMERIC, Name));
  }
  ~TCommaLocale() { std::setlocale(LC_NUMERIC, FPrevious.c_str()); }
  TCommaLocale(const TCommaLocale&) = delete;
  TCommaLocale& operator=(const TCommaLocale&) = delete;

  bool Active() const { return FActive; }

 private:
  static constexpr const char* Name = "de_DE.UTF-8";

  // The compiled locale lives as long as the test program and is removed with it.
  struct TCompiled {
    TCompiled()
        : Folder(std::filesystem::temp_directory_path() /
                 ("dravel-locale-" + std::to_string(::getpid()))) {
      std::filesystem::create_directories(Folder);
      const std::string Command = "localedef -c -i de_DE -f UTF-8 '" +
                                  (Folder / Name).string() + "' > /dev/null 2>&1";
      Ok = std::system(Command.c_str()) == 0 && ::setenv("LOCPATH", Folder.c_str(), 1) == 0;
    }
    ~TCompiled() {
      std::error_code Ignored;
      std::filesystem::remove_all(Folder, Ignored);
    }
    std::filesystem::path Folder;
    bool Ok = false;
  };

  static bool Compiled() {
    static const TCompiled Locale;
    return Locale.Ok;
  }

  std::string FPrevious;
  bool FActive = false;
};

}  // namespace dravel::testing
