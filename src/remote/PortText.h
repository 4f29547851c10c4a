#pragma once
// A port typed by a person or stored as text: a decimal integer that a socket can use.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dravel {

// The port, or nothing when Text is not a decimal integer from 1 to 65535.
inline std::optional<std::uint16_t> PortFromText(std::string_view Text) {
  int Port = 0;
  const char* End = Text.data() + Text.size();
  const auto [Ptr, Error] = std::from_chars(Text.data(), End, Port);
  if (Error != std::errc() || Ptr != End || Port < 1 || Port > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(Port);
}

}  // namespace dravel
