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
    return {Kind, std::move(Text), CodePage, Style, Colour, Shadow, {}};
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
  } else if (std::optional<TGaugeToken> Gauge = ReadGaugeToken(Tag)) {
    Runs.push_back(State.Run({}, TMarkupRun::TKind::Gauge));
    Runs.back().Gauge = std::move(*Gauge);
  }
}

}  // namespace

std::optional<TColor> ColorFromName(std::string_view Name) {
  for (const TNamedColor& Entry : ColorNames)
    if (SameTextAscii(Entry.Name.substr(2), Name)) return Entry.Value;
  return std::nullopt;
}

std::optional<TMarkupTag> NextMarkupTag(std::string_view Text, std::size_t From) {
  const std::size_t Begin = Text.find('<', From);
  if (Begin == std::string_view::npos) return std::nullopt;
  const std::size_t Close = std::min(Text.find('>', Begin + 1), Text.size());
  return TMarkupTag{Begin, std::min(Close + 1, Text.size()),
                    Text.substr(Begin + 1, Close - Begin - 1)};
}

std::vector<TMarkupRun> ParseMarkup(std::string_view Text, const TMarkupStyle& Start) {
  std::vector<TMarkupRun> Runs;
  TMarkupState State;
  State.Style = Start;
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    const std::optional<TMarkupTag> Tag = NextMarkupTag(Text, Pos);
    const std::size_t TextEnd = Tag ? Tag->Begin : Text.size();
    if (TextEnd > Pos) Runs.push_back(State.Run(std::string(Text.substr(Pos, TextEnd - Pos))));
    if (!Tag) break;
    ApplyTag(UpperCaseAscii(Tag->Text), State, Runs);
    Pos = Tag->End;
  }
  return Runs;
}

void SplitAtGauges(std::string_view Text, const std::function<void(std::string_view)>& Plain,
                   const std::function<void(const TGaugeToken&)>& Gauge) {
  std::size_t Done = 0;
  // A token begins with "<~": a text without one goes through whole. Otherwise every tag
  // is read from the start, since "<~" may stand inside another tag.
  if (Text.find("<~") != std::string_view::npos) {
    for (auto Tag = NextMarkupTag(Text, 0); Tag; Tag = NextMarkupTag(Text, Tag->End)) {
      const std::optional<TGaugeToken> Token = ReadGaugeToken(Tag->Text);
      if (!Token) continue;
      if (Tag->Begin > Done) Plain(Text.substr(Done, Tag->Begin - Done));
      Gauge(*Token);
      Done = Tag->End;
    }
  }
  if (Done < Text.size()) Plain(Text.substr(Done));
}

}  // namespace dravel
