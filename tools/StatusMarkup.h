#pragma once
// A rendered line's label markup as status bars take it: the text alone, or Pango markup
// (<b>, <i>, <u>, <span foreground>) over text escaped for Pango, with the line's one
// colour told apart so a bar's own colour field can carry it. Shadows have no place in a
// bar and are dropped; a line break becomes a blank, as a bar shows one line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/QarvMarkup.h"

namespace dravel {

class TStatusLine {
 public:
  // Caption: one rendered line, code page 1252 with the label markup.
  explicit TStatusLine(std::string_view Caption);

  // The text without markup, in UTF-8.
  std::string Text() const;
  // "#RRGGBB" when every visible character is drawn in this one colour; none when the
  // line is in the bar's own colour, or in more than one colour.
  std::optional<std::string> OneColour() const;
  // True when the line cannot be shown as plain text in one colour: bold, italic or
  // underline is on somewhere, or parts of it differ in colour.
  bool NeedsMarkup() const;
  // Pango markup of the line. With Colours false the colour of the text is left to the
  // caller (the line's OneColour), otherwise each coloured stretch is a <span>.
  std::string Pango(bool Colours) const;

 private:
  struct TPiece {
    std::string Text;  // UTF-8
    TMarkupStyle Style;
    std::optional<std::uint32_t> Rgb;  // 0xRRGGBB; none: the bar's own colour
  };
  std::vector<TPiece> FPieces;
};

// "#RRGGBB" of a markup colour value (0x00BBGGRR); none for the system colours and for
// clNone and clDefault, which a bar draws in its own colour.
std::optional<std::uint32_t> MarkupColourRgb(TColor Value);
std::string RgbText(std::uint32_t Rgb);

// Appends Text (UTF-8) escaped for Pango markup: the five markup characters become
// entities, and control characters that markup cannot hold become U+FFFD.
void AppendPangoEscaped(std::string& Out, std::string_view Text);

}  // namespace dravel
