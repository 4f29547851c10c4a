#pragma once
// The date-time value a service call returns: a calendar date and a time of day with
// milliseconds, local time as sampled, no time-zone offset.

#include <string>

namespace dravel {

struct TXSDateTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;

  // From a day count since 1899-12-30 whose fraction is the time of day. Throws
  // std::invalid_argument for a value outside the years 1 to 9999 (or not a number).
  static TXSDateTime FromDateTime(double DateTime);
  // "yyyy-mm-dd", followed by "Thh:nn:ss.zzz" unless hour, minute and second are all 0.
  std::string ToXSD() const;
};

}  // namespace dravel
