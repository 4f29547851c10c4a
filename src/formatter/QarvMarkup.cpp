#include "formatter/QarvMarkup.h"

#include <array>
#include <charconv>

#include "formatter/TextCase.h"

namespace dravel {
namespace {

struct TNamedColor {
  std::string_view Name;
  TColor Value;
};

constexpr std::array<TNamedColor, 49> ColorNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", SystemColorFlag | 0},
    {"clBackground", SystemColorFlag | 1},
    {"clActiveCaption", SystemColorFlag | 2},
    {"clInactiveCaption", SystemColorFlag | 3},
    {"clMenu", SystemColorFlag | 4},
    {"clWindow", SystemColorFlag | 5},
    {"clWindowFrame", SystemColorFlag | 6},
    {"clMenuText", SystemColorFlag | 7},
    {"clWindowText", SystemColorFlag | 8},
    {"clCaptionText", SystemColorFlag | 9},
    {"clActiveBorder", SystemColorFlag | 10},
    {"clInactiveBorder", SystemColorFlag | 11},
    {"clAppWorkSpace", SystemColorFlag | 12},
    {"clHighlight", SystemColorFlag | 13},
    {"clHighlightText", SystemColorFlag | 14},
    {"clBtnFace", SystemColorFlag | 15},
    {"clBtnShadow", SystemColorFlag | 16},
    {"clGrayText", SystemColorFlag | 17},
    {"clBtnText", SystemColorFlag | 18},
    {"clInactiveCaptionText", SystemColorFlag | 19},
    {"clBtnHighlight", SystemColorFlag | 20},
    {"cl3DDkShadow", SystemColorFlag | 21},
    {"cl3DLight", SystemColorFlag | 22},
    {"clInfoText", SystemColorFlag | 23},
    {"clInfoBk", SystemColorFlag | 24},
    {"clGradientActiveCaption", SystemColorFlag | 27},
    {"clGradientInactiveCaption", SystemColorFlag | 28},
}};

// "$" and up to eight hexadecimal digits, nothing else.
std::optional<TColor> ColorFromHex(std::string_view Digits) {
  TColor Value = 0;
  const auto [End, Error] =
      std::from_chars(Digits.data(), Digits.data() + Digits.size(), Value, 16);
  if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size())
    return std::nullopt;
  return Value;
}

// A decimal integer with an optional sign, else 2; the low 8 bits, signed.
std::int8_t ShadowOffset(std::string_view Number) {
  if (Number.size() > 1 && Number.front() == '+' && Number[1] != '-') Number.remove_prefix(1);
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(Number.data(), Number.data() + Number.size(), Value);
  if (Number.empty() || Error != std::errc() || End != Number.data() + Number.size()) Value = 2;
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(Value & 0xFF));
}

// The state the tags change, carried from run to run.
struct TMarkupState {
  TMarkupStyle Style;
  std::optional<TColor> Colour;
  std::optional<std::int8_t> Shadow;
  TCodePage CodePage = TCodePage::Cp1252;

  TMarkupRun Run(std::string Text, TMarkupRun::TKind Kind = TMarkupRun::TKind::Text) const {
    return {Kind, std::move(Text), CodePage, Style, Colour, Shadow};
  }
};

// Carries out one tag (its text already upper-cased), appending what it draws.
void ApplyTag(const std::string& Tag, TMarkupState& State, std::vector<TMarkupRun>& Runs) {
  if (Tag == "<") {
    Runs.push_back(State.Run("<"));
  } else if (Tag == "/") {
    Runs.push_back(State.Run({}, TMarkupRun::TKind::LineBreak));
  } else if (Tag == "B" || Tag == "/B") {
    State.Style.Bold = Tag == "B";
  } else if (Tag == "/C") {
    State.Colour.reset();
  } else if (Tag == "I" || Tag == "/I") {
    State.Style.Italic = Tag == "I";
  } else if (Tag == "U" || Tag == "/U") {
    State.Style.Underline = Tag == "U";
  } else if (Tag == "/S") {
    State.Shadow.reset();
  } else if (Tag == "RU" || Tag == "EU") {
    State.CodePage = Tag == "RU" ? TCodePage::Cp1251 : TCodePage::Cp1252;
  } else if (Tag.starts_with("C:")) {
    const std::string_view Rest = std::string_view(Tag).substr(2);
    const std::optional<TColor> Colour =
        Rest.starts_with('$') ? ColorFromHex(Rest.substr(1)) : ColorFromName(Rest);
    if (Colour) State.Colour = Colour;
  } else if (Tag.starts_with('S')) {
    State.Shadow = ShadowOffset(std::string_view(Tag).substr(std::min<std::size_t>(2, Tag.size())));
  }
}

}  // namespace

std::optional<TColor> ColorFromName(std::string_view Name) {
  for (const TNamedColor& Entry : ColorNames)
    if (SameTextAscii(Entry.Name.substr(2), Name)) return Entry.Value;
  return std::nullopt;
}

std::vector<TMarkupRun> ParseMarkup(std::string_view Text, const TMarkupStyle& Start) {
  std::vector<TMarkupRun> Runs;
  TMarkupState State;
  State.Style = Start;
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    if (Text[Pos] != '<') {
      const std::size_t End = std::min(Text.find('<', Pos), Text.size());
      Runs.push_back(State.Run(std::string(Text.substr(Pos, End - Pos))));
      Pos = End;
      continue;
    }
    const std::size_t Close = std::min(Text.find('>', Pos + 1), Text.size());
    const std::string Tag = UpperCaseAscii(Text.substr(Pos + 1, Close - Pos - 1));
    Pos = Close + 1;
    ApplyTag(Tag, State, Runs);
  }
  return Runs;
}

}  // namespace dravel
