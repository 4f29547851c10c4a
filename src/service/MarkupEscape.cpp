#include "service/MarkupEscape.h"

#include "platform/CodePage.h"

namespace dravel {

namespace {

std::string Escape(std::string_view Text, bool Attribute) {
  std::string Escaped;
  Escaped.reserve(Text.size());
  for (char C : Text) {
    switch (C) {
      case '&':
        Escaped += "&amp;";
        break;
      case '<':
        Escaped += "&lt;";
        break;
      case '>':
        Escaped += "&gt;";
        break;
      case '"':
        Escaped += Attribute ? "&quot;" : "\"";
        break;
      case '\'':
        Escaped += Attribute ? "&#39;" : "'";
        break;
      case '\r':
        Escaped += "&#13;";
        break;
      case '\t':
      case '\n':
        Escaped += C;
        break;
      default:
        Escaped += static_cast<unsigned char>(C) < 0x20 ? '?' : C;
    }
  }
  return Cp1252ToUtf8(Escaped);
}

}  // namespace

std::string XmlText(std::string_view Text) { return Escape(Text, false); }

std::string XmlAttribute(std::string_view Text) { return Escape(Text, true); }

}  // namespace dravel
