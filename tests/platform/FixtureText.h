#pragma once
// Fixture files of /proc text kept beside the tests.

#include <fstream>
#include <sstream>
#include <string>

namespace dravel::test {

inline std::string Fixture(const std::string& Name) {
  std::ifstream File(std::string(PLATFORM_FIXTURES) + "/" + Name, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

}  // namespace dravel::test
