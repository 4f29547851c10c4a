#pragma once
// The number formats of the display items. Rounding takes ties away from zero
// (2.5 gives "3"); separators come from the given settings.

#include <cstdint>
#include <string>

#include "formatter/FormatSettings.h"

namespace dravel {

// "%.0f" (Decimals 0) and "%f" / "%.2f" (Decimals 2): fixed notation.
std::string FormatFixed(double Value, int Decimals, const TFormatSettings& Settings);
// "%.0n" (Decimals 0) and "%n" (Decimals 2): fixed notation with thousands separators.
std::string FormatNumber(double Value, int Decimals, const TFormatSettings& Settings);
// "%g": the shorter of fixed and scientific, at most 15 significant digits, no trailing zeros.
std::string FormatGeneral(double Value, const TFormatSettings& Settings);
// "%d" (Width 0) and "%2d" (Width 2): whole number right-aligned in Width, filled with blanks.
std::string FormatInt(std::int64_t Value, int Width = 0);
// "%.2d" (Digits 2): whole number with at least Digits digits, filled with zeros.
std::string FormatIntDigits(std::int64_t Value, int Digits);

}  // namespace dravel
