#pragma once
// Date-time values (days since 1899-12-30, fraction = time of day) and their pattern
// language: d..dddddd, m..mmmm, yy, yyyy, h, hh, n, nn, s, ss, t, tt, c, am/pm, a/p,
// ampm, "/", ":" and quoted text.

#include <optional>
#include <string>
#include <string_view>

#include "formatter/FormatSettings.h"

namespace dravel {

struct TDecodedDateTime {
  int Year, Month, Day;          // Month 1..12, Day 1..31
  int DayOfWeek;                 // 0 = Sunday
  int Hour, Minute, Second, MSec;
};

// Empty when DateTime is not finite or lies outside the years 1 to 9999.
std::optional<TDecodedDateTime> DecodeDateTime(double DateTime);
// The day count for a calendar date and time of day (no range check).
double EncodeDateTime(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0);

// DateTime formatted with Pattern; empty when DateTime is no valid date.
std::string FormatDateTime(std::string_view Pattern, double DateTime,
                           const TFormatSettings& Settings);

}  // namespace dravel
