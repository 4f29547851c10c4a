#pragma once
// One password against one stored bcrypt hash, through libxcrypt's crypt_r.

#include <string>
#include <string_view>

namespace dravel {

// True when Password hashes to Hash. The result is compared in constant time; a
// password holding a NUL byte never matches (crypt_r would stop at it).
bool PasswordMatches(std::string_view Password, const std::string& Hash);

}  // namespace dravel
