#include "StatusMarkup.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace dravel {
namespace {

constexpr TColor ColourNone = 0x1FFFFFFF;
constexpr TColor ColourDefault = 0x20000000;
constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

bool IsBlank(std::string_view Text) {
  return std::all_of(Text.begin(), Text.end(), [](char C) { return C == ' ' || C == '\t'; });
}

// Characters that Pango's markup parser takes only as a character reference, as GLib's own
// escaping writes them.
bool NeedsReference(char32_t Code) {
  return (Code >= 0x01 && Code <= 0x08) || Code == 0x0B || Code == 0x0C ||
         (Code >= 0x0E && Code <= 0x1F) || (Code >= 0x7F && Code <= 0x84) ||
         (Code >= 0x86 && Code <= 0x9F);
}

void AppendReference(std::string& Out, char32_t Code) {
  constexpr std::string_view Hex = "0123456789abcdef";
  Out += "&#x";
  if (Code >= 0x10) Out += Hex[(Code >> 4) & 0x0F];
  Out += Hex[Code & 0x0F];
  Out += ';';
}

}  // namespace

std::optional<std::uint32_t> MarkupColourRgb(TColor Value) {
  if ((Value & SystemColorFlag) != 0 || Value == ColourNone || Value == ColourDefault)
    return std::nullopt;
  return ((Value & 0xFF) << 16) | (Value & 0xFF00) | ((Value >> 16) & 0xFF);
}

std::string RgbText(std::uint32_t Rgb) {
  constexpr std::string_view Hex = "0123456789ABCDEF";
  std::string Text = "#";
  for (int Shift = 20; Shift >= 0; Shift -= 4) Text += Hex[(Rgb >> Shift) & 0x0F];
  return Text;
}

void AppendPangoEscaped(std::string& Out, std::string_view Text) {
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    const std::size_t Start = Pos;
    const std::optional<char32_t> Code = DecodeUtf8(Text, Pos);
    if (!Code || *Code == 0) {
      Out += ReplacementCharacter;
    } else if (*Code == '&') {
      Out += "&amp;";
    } else if (*Code == '<') {
      Out += "&lt;";
    } else if (*Code == '>') {
      Out += "&gt;";
    } else if (*Code == '\'') {
      Out += "&apos;";
    } else if (*Code == '"') {
      Out += "&quot;";
    } else if (NeedsReference(*Code)) {
      AppendReference(Out, *Code);
    } else {
      Out.append(Text.substr(Start, Pos - Start));
    }
  }
}

TStatusLine::TStatusLine(std::string_view Caption) {
  for (const TMarkupRun& Run : ParseMarkup(Caption, TMarkupStyle{})) {
    TPiece Piece;
    Piece.Text = Run.Kind == TMarkupRun::TKind::LineBreak ? " "
                                                           : CodePageToUtf8(Run.Text, Run.CodePage);
    Piece.Style = Run.Style;
    if (Run.Colour) Piece.Rgb = MarkupColourRgb(*Run.Colour);
    // Runs the markup split without changing the style ("<<>", swallowed tags) join up.
    if (!FPieces.empty() && FPieces.back().Style == Piece.Style && FPieces.back().Rgb == Piece.Rgb) {
      FPieces.back().Text += Piece.Text;
    } else if (!Piece.Text.empty()) {
      FPieces.push_back(std::move(Piece));
    }
  }
}

std::string TStatusLine::Text() const {
  std::string Text;
  for (const TPiece& Piece : FPieces) Text += Piece.Text;
  return Text;
}

std::optional<std::string> TStatusLine::OneColour() const {
  // Blanks show no colour (unless underlined), so they do not split a line's colour.
  std::optional<std::uint32_t> Colour;
  bool Seen = false;
  for (const TPiece& Piece : FPieces) {
    if (!Piece.Style.Underline && IsBlank(Piece.Text)) continue;
    if (Seen && Piece.Rgb != Colour) return std::nullopt;
    Colour = Piece.Rgb;
    Seen = true;
  }
  if (!Colour) return std::nullopt;
  return RgbText(*Colour);
}

bool TStatusLine::NeedsMarkup() const {
  const bool Styled = std::any_of(FPieces.begin(), FPieces.end(), [](const TPiece& Piece) {
    return Piece.Style.Bold || Piece.Style.Italic || Piece.Style.Underline;
  });
  if (Styled) return true;
  const bool Coloured = std::any_of(FPieces.begin(), FPieces.end(),
                                    [](const TPiece& Piece) { return Piece.Rgb.has_value(); });
  return Coloured && !OneColour();
}

std::string TStatusLine::Pango(bool Colours) const {
  std::string Out;
  // Each piece carries its own tags, so the markup nests properly whatever order the
  // label's tags were opened and closed in.
  for (const TPiece& Piece : FPieces) {
    const bool Span = Colours && Piece.Rgb.has_value();
    if (Span) Out += "<span foreground=\"" + RgbText(*Piece.Rgb) + "\">";
    if (Piece.Style.Bold) Out += "<b>";
    if (Piece.Style.Italic) Out += "<i>";
    if (Piece.Style.Underline) Out += "<u>";
    AppendPangoEscaped(Out, Piece.Text);
    if (Piece.Style.Underline) Out += "</u>";
    if (Piece.Style.Italic) Out += "</i>";
    if (Piece.Style.Bold) Out += "</b>";
    if (Span) Out += "</span>";
  }
  return Out;
}

}  // namespace dravel
