#include "formatter/TagParser.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <utility>

#include "formatter/TextCase.h"

namespace dravel {
namespace {

// Digits directly after SIZE=; none, or a number beyond a 32-bit signed integer, count as 0.
std::size_t ReadSize(std::string_view Digits) {
  long long Value = 0;
  for (const char C : Digits) {
    if (C < '0' || C > '9') break;
    Value = Value * 10 + (C - '0');
    if (Value > INT_MAX) return 0;
  }
  return static_cast<std::size_t>(Value);
}

// Digits directly after BAR= or GRAPH=: none, or 0, make no gauge; more than the widest
// gauge count as the widest.
std::optional<std::size_t> ReadCells(std::string_view Digits) {
  std::size_t Value = 0;
  for (const char C : Digits) {
    if (C < '0' || C > '9') break;
    Value = std::min<std::size_t>(Value * 10 + static_cast<std::size_t>(C - '0'), MaxGaugeCells);
  }
  if (Value == 0) return std::nullopt;
  return Value;
}

// A decimal number directly after MAX= (digits with at most one "." among them, up to the
// first other character); none unless it is above 0.
std::optional<double> ReadMax(std::string_view Text) {
  const std::size_t Digits = std::min(Text.find_first_not_of("0123456789"), Text.size());
  std::size_t Length = Digits;
  if (Length < Text.size() && Text[Length] == '.') {
    Length = std::min(Text.find_first_not_of("0123456789", Length + 1), Text.size());
  }
  if (Length == 0 || (Digits == 0 && Length == 1)) return std::nullopt;  // nothing, or "." only
  double Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Length, Value,
                                            std::chars_format::fixed);
  if (Error != std::errc() || !(Value > 0) || !std::isfinite(Value)) return std::nullopt;
  return Value;
}

// The gauge the tag asks for: its first BAR= and first GRAPH= that hold a number, the
// earlier of the two in the tag winning.
std::optional<TGaugeRequest> ReadGauge(std::string_view Tag, std::string_view Upper) {
  std::optional<TGaugeRequest> Found;
  std::size_t FoundAt = std::string_view::npos;
  for (const auto& [Key, Kind] : {std::pair{std::string_view("BAR="), TGaugeKind::Bar},
                                  std::pair{std::string_view("GRAPH="), TGaugeKind::Graph}}) {
    const std::size_t At = Upper.find(Key);
    if (At == std::string_view::npos || At > FoundAt) continue;
    if (const std::optional<std::size_t> Cells = ReadCells(Tag.substr(At + Key.size()))) {
      Found = TGaugeRequest{Kind, *Cells};
      FoundAt = At;
    }
  }
  return Found;
}

}  // namespace

TTagAttributes ParseTagAttributes(std::string_view Tag) {
  const std::string Upper = UpperCaseAscii(Tag);
  TTagAttributes Result;

  constexpr std::string_view FormatKey = "FORMAT=\"";
  if (const std::size_t At = Upper.find(FormatKey); At != std::string::npos) {
    const std::size_t Begin = At + FormatKey.size();
    const std::size_t Close = Tag.find('"', Begin);
    Result.Format = Tag.substr(Begin, Close == std::string_view::npos ? Tag.npos : Close - Begin);
  }
  Result.LeadZero = Upper.find("LEADZERO") != std::string::npos;
  Result.Decimal = Upper.find("DECIMAL") != std::string::npos;

  constexpr std::string_view SizeKey = "SIZE=";
  if (const std::size_t At = Upper.find(SizeKey); At != std::string::npos) {
    Result.Size = ReadSize(Tag.substr(At + SizeKey.size()));
  }
  constexpr std::string_view CharKey = "CHAR=";
  if (const std::size_t At = Upper.find(CharKey); At != std::string::npos &&
                                                  At + CharKey.size() < Tag.size()) {
    Result.Fill = Tag[At + CharKey.size()];
  }
  Result.Gauge = ReadGauge(Tag, Upper);
  constexpr std::string_view MaxKey = "MAX=";
  if (const std::size_t At = Upper.find(MaxKey); At != std::string::npos) {
    Result.Max = ReadMax(Tag.substr(At + MaxKey.size()));
  }
  return Result;
}

bool UpperEqualsAt(std::string_view Text, std::size_t At, std::string_view Upper) {
  if (Text.size() - At < Upper.size()) return false;
  for (std::size_t I = 0; I < Upper.size(); ++I) {
    char C = Text[At + I];
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    if (C != Upper[I]) return false;
  }
  return true;
}

std::size_t FindOpener(std::string_view Text, std::size_t From) {
  for (std::size_t At = Text.find('<', From); At != std::string_view::npos;
       At = Text.find('<', At + 1)) {
    if (UpperEqualsAt(Text, At, Opener)) return At;
  }
  return std::string_view::npos;
}

std::size_t FindTagOpener(std::string_view Text, std::string_view UpperName, std::size_t From) {
  for (std::size_t At = FindOpener(Text, From); At != std::string_view::npos;
       At = FindOpener(Text, At + 1)) {
    if (UpperEqualsAt(Text, At + Opener.size(), UpperName)) return At;
  }
  return std::string_view::npos;
}

std::string PadValue(std::string Value, std::size_t Shown, const TTagAttributes& Attributes,
                     bool RightAligned) {
  if (!Attributes.Size || *Attributes.Size <= Shown) return Value;
  const std::size_t Count = std::min(*Attributes.Size - Shown, MaxFill);
  const std::string Fill(Count, Attributes.Fill);
  return RightAligned ? Fill + Value : Value + Fill;
}

}  // namespace dravel
