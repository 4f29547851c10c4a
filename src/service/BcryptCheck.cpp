#include "service/BcryptCheck.h"

#include <crypt.h>
#include <sodium.h>

#include <cstring>
#include <memory>

namespace dravel {

bool PasswordMatches(std::string_view Password, const std::string& Hash) {
  if (Password.find('\0') != std::string_view::npos) return false;
  const std::string Text(Password);
  // About 32 KiB: on the heap, not on a worker's stack.
  const auto Data = std::make_unique<crypt_data>();
  const char* Result = crypt_r(Text.c_str(), Hash.c_str(), Data.get());
  // A failure gives null or a text starting with "*".
  if (Result == nullptr || std::strlen(Result) != Hash.size()) return false;
  return sodium_memcmp(Result, Hash.data(), Hash.size()) == 0;
}

}  // namespace dravel
