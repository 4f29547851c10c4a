#pragma once
// The rule shared by the processor and network items: FORMAT picks an element of a
// five-value array (0 = overall), LEADZERO adds a "0" below 10, DECIMAL gives two decimals.

#include <optional>
#include <string>
#include <string_view>

#include "formatter/FormatSettings.h"

namespace dravel {

struct TArrayItemStyle {
  bool KilobitsOnLowerB;  // FORMAT exactly "b" multiplies by 8
  bool Thousands;         // "%.0n"/"%n" instead of "%.0f"/"%f"
};

// The figure FORMAT selects (times 8 for "b" where the style says so); none when FORMAT
// names an element outside 0..4.
std::optional<double> ArrayItemValue(const float (&Values)[5], std::string_view Format,
                                     TArrayItemStyle Style);

// Empty when FORMAT names an element outside 0..4.
std::string FormatArrayItem(const float (&Values)[5], std::string_view Format, bool LeadZero,
                            bool Decimal, TArrayItemStyle Style, const TFormatSettings& Settings);

}  // namespace dravel
