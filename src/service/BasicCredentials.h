#pragma once
// The user and password of an "Authorization: Basic <base64>" header, read strictly.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dravel {

struct TBasicCredentials {
  std::string User;
  std::string Password;
};

// Header values longer than this are refused unread.
inline constexpr std::size_t AuthorizationLimit = 1024;

// The credentials, or none when Header is not "Basic" (any case), one or more spaces and
// padded standard base64 of "user:password" with a non-empty user, no control characters
// and nothing after.
std::optional<TBasicCredentials> ParseBasicAuthorization(std::string_view Header);

}  // namespace dravel
