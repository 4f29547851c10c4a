#pragma once
// Whole files as text, for tests that check what a unit wrote or give it what to read.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace dravel::testing {

inline std::string ReadFileText(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

// Creates the file's folders as needed.
inline void WriteFileText(const std::filesystem::path& Path, const std::string& Text) {
  std::filesystem::create_directories(Path.parent_path());
  std::ofstream(Path, std::ios::binary) << Text;
}

}  // namespace dravel::testing
