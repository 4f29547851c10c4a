#pragma once
// A fake root for the platform layer: files under a fresh temporary folder, written by
// path relative to it ("proc/net/dev", "sys/class/hwmon/hwmon0/name").

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempFolder.h"

namespace dravel::testing {

class TFakeTree {
 public:
  // The root to hand to the platform layer.
  std::string Root() const { return FFolder.Path().string(); }

  void Write(const std::string& Path, const std::string& Text) const {
    const std::filesystem::path File = FFolder.Path() / Path;
    std::filesystem::create_directories(File.parent_path());
    std::ofstream(File, std::ios::binary) << Text;
  }
  void Folder(const std::string& Path) const {
    std::filesystem::create_directories(FFolder.Path() / Path);
  }
  // A symbolic link at Path holding Target as it is (it need not exist).
  void Link(const std::string& Path, const std::string& Target) const {
    const std::filesystem::path File = FFolder.Path() / Path;
    std::filesystem::create_directories(File.parent_path());
    std::filesystem::create_symlink(Target, File);
  }
  void Remove(const std::string& Path) const { std::filesystem::remove_all(FFolder.Path() / Path); }

 private:
  TTempFolder FFolder;
};

}  // namespace dravel::testing
