#include "formatter/ArrayItem.h"

#include <charconv>
#include <optional>

#include "formatter/NumberFormat.h"

namespace dravel {
namespace {

constexpr int ElementCount = 5;

// The element FORMAT selects: a whole decimal number (with an optional sign) selects that
// element, anything else ("ALL", "b", empty) the overall figure; none when out of range.
std::optional<int> SelectElement(std::string_view Format) {
  std::string_view Digits = Format;
  bool Negative = false;
  if (!Digits.empty() && (Digits.front() == '+' || Digits.front() == '-')) {
    Negative = Digits.front() == '-';
    Digits.remove_prefix(1);
  }
  if (Digits.empty() || Digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  const std::size_t Significant = Digits.find_first_not_of('0');
  if (Significant == std::string_view::npos) return 0;
  if (Negative || Digits.size() - Significant > 1) return std::nullopt;
  const int Index = Digits[Significant] - '0';
  if (Index >= ElementCount) return std::nullopt;
  return Index;
}

}  // namespace

std::optional<double> ArrayItemValue(const float (&Values)[5], std::string_view Format,
                                     TArrayItemStyle Style) {
  const std::optional<int> Index = SelectElement(Format);
  if (!Index) return std::nullopt;
  double Value = Values[*Index];
  if (Style.KilobitsOnLowerB && Format == "b") Value *= 8;
  return Value;
}

std::string FormatArrayItem(const float (&Values)[5], std::string_view Format, bool LeadZero,
                            bool Decimal, TArrayItemStyle Style, const TFormatSettings& Settings) {
  const std::optional<double> Found = ArrayItemValue(Values, Format, Style);
  if (!Found) return {};
  const double Value = *Found;
  // Tested on the value before rounding: 9.7 shows as "010".
  std::string Result = (LeadZero && Value < 10) ? "0" : "";
  const int Decimals = Decimal ? 2 : 0;
  Result += Style.Thousands ? FormatNumber(Value, Decimals, Settings)
                            : FormatFixed(Value, Decimals, Settings);
  return Result;
}

}  // namespace dravel
