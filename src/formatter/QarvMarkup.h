#pragma once
// The inline markup of a colour label, read into runs of text with the style
// each is drawn in. Plain code without Qt: the panel's label paints what this
// reads, and dravelfmt maps it to the markup of status bars.
//
// Tags sit between "<" and ">" and ignore letter case: B, /B, I, /I, U, /U,
// C:name or C:$hex (0x00BBGGRR), /C, S or S:n (shadow, signed 8-bit offset),
// /S, RU and EU (the following bytes are code page 1251, or 1252 again), "/"
// (line break) and "<" (so "<<>" is a literal "<"). Other tags are swallowed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace dravel {

// A colour value as the settings and the markup spell it: 0x00BBGGRR, or
// 0x800000nn for the system colour with index nn.
using TColor = std::uint32_t;

constexpr TColor SystemColorFlag = 0x80000000;

struct TMarkupStyle {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool operator==(const TMarkupStyle&) const = default;
};

struct TMarkupRun {
  enum class TKind { Text, LineBreak };

  TKind Kind = TKind::Text;
  std::string Text;  // bytes in CodePage; empty for a break
  TCodePage CodePage = TCodePage::Cp1252;
  TMarkupStyle Style;
  std::optional<TColor> Colour;       // none: the label's own font colour
  std::optional<std::int8_t> Shadow;  // the shadow's offset while one is on
};

// Reads Text into runs; Start is the style of the label's font.
std::vector<TMarkupRun> ParseMarkup(std::string_view Text, const TMarkupStyle& Start);

// The value of a colour name of the platform table, looked up ignoring case
// with "cl" put in front ("Red" finds clRed); none for a name not there.
std::optional<TColor> ColorFromName(std::string_view Name);

}  // namespace dravel
