#include "service/BasicCredentials.h"

#include <sodium.h>

#include <algorithm>
#include <strings.h>

namespace dravel {

namespace {

constexpr std::string_view Scheme = "Basic";

bool IsControl(char C) { return static_cast<unsigned char>(C) < 0x20 || C == 0x7f; }

}  // namespace

std::optional<TBasicCredentials> ParseBasicAuthorization(std::string_view Header) {
  if (Header.size() > AuthorizationLimit || Header.size() <= Scheme.size() + 1) return std::nullopt;
  if (strncasecmp(Header.data(), Scheme.data(), Scheme.size()) != 0 || Header[Scheme.size()] != ' ') {
    return std::nullopt;
  }
  std::string_view Encoded = Header.substr(Scheme.size());
  while (!Encoded.empty() && Encoded.front() == ' ') Encoded.remove_prefix(1);
  if (Encoded.empty()) return std::nullopt;
  std::string Decoded(Encoded.size(), '\0');
  std::size_t Length = 0;
  const char* End = nullptr;
  if (sodium_base642bin(reinterpret_cast<unsigned char*>(Decoded.data()), Decoded.size(), Encoded.data(),
                        Encoded.size(), nullptr, &Length, &End, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      End != Encoded.data() + Encoded.size()) {
    return std::nullopt;
  }
  Decoded.resize(Length);
  const std::size_t Colon = Decoded.find(':');
  if (Colon == std::string::npos || Colon == 0 || std::any_of(Decoded.begin(), Decoded.end(), IsControl)) {
    return std::nullopt;
  }
  TBasicCredentials Credentials{Decoded.substr(0, Colon), Decoded.substr(Colon + 1)};
  sodium_memzero(Decoded.data(), Decoded.size());
  return Credentials;
}

}  // namespace dravel
