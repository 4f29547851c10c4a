#pragma once
// Single-byte code pages of the panel's texts and their way to and from Unicode.
// Every byte maps to its own code point (the few bytes a code page leaves
// undefined map to the C1 control of the same value), so text survives a round
// trip through UTF-8 unchanged.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dravel {

enum class TCodePage { Cp1252, Cp1251 };

// The Unicode code point of one byte of text in the given code page.
char16_t CodePageToUnicode(unsigned char Byte, TCodePage Page = TCodePage::Cp1252);

// CP1252 bytes as UTF-8.
std::string Cp1252ToUtf8(std::string_view Text);
// Bytes of either code page as UTF-8 (the label markup switches to 1251 and back).
std::string CodePageToUtf8(std::string_view Text, TCodePage Page);

// UTF-8 as CP1252 bytes; a character CP1252 lacks, or a malformed UTF-8
// sequence, becomes "?".
std::string Utf8ToCp1252(std::string_view Text);

// Decodes the UTF-8 sequence at Text[Pos] (Pos below the size) and moves Pos past it;
// a malformed, overlong or surrogate sequence gives none and moves Pos by one byte.
std::optional<char32_t> DecodeUtf8(std::string_view Text, std::size_t& Pos);

}  // namespace dravel
