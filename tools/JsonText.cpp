#include "JsonText.h"

#include <optional>

#include "platform/CodePage.h"

namespace dravel {
namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

void AppendControl(std::string& Out, unsigned char Byte) {
  switch (Byte) {
    case '\b': Out += "\\b"; return;
    case '\f': Out += "\\f"; return;
    case '\n': Out += "\\n"; return;
    case '\r': Out += "\\r"; return;
    case '\t': Out += "\\t"; return;
    default: break;
  }
  constexpr std::string_view Hex = "0123456789abcdef";
  Out += "\\u00";
  Out += Hex[Byte >> 4];
  Out += Hex[Byte & 0x0F];
}

}  // namespace

void AppendJsonString(std::string& Out, std::string_view Text) {
  Out += '"';
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    const auto Byte = static_cast<unsigned char>(Text[Pos]);
    if (Byte >= 0x80) {
      const std::size_t Start = Pos;
      if (DecodeUtf8(Text, Pos)) {
        Out.append(Text.substr(Start, Pos - Start));
      } else {
        Out += ReplacementCharacter;
      }
      continue;
    }
    ++Pos;
    if (Byte == '"' || Byte == '\\') {
      Out += '\\';
      Out += static_cast<char>(Byte);
    } else if (Byte < 0x20) {
      AppendControl(Out, Byte);
    } else {
      Out += static_cast<char>(Byte);
    }
  }
  Out += '"';
}

}  // namespace dravel
