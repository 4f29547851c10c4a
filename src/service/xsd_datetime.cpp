#include "service/xsd_datetime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace dravel {

namespace {

constexpr double FirstDay = -693593.0;     // 0001-01-01
constexpr double LastDay = 2958466.0;      // 10000-01-01, excluded
constexpr std::int64_t DaysTo1970 = 25569;  // 1970-01-01 counted from 1899-12-30
constexpr std::int64_t MSecsPerDay = 86400000;

// Proleptic Gregorian date of a day count since 1970-01-01.
void CivilFromDays(std::int64_t Z, int& Year, int& Month, int& Day) {
  Z += 719468;
  const std::int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const std::int64_t DayOfEra = Z - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  Year = static_cast<int>(YearOfEra + Era * 400 + (Month <= 2 ? 1 : 0));
}

}  // namespace

TXSDateTime TXSDateTime::FromDateTime(double DateTime) {
  if (!(DateTime >= FirstDay && DateTime < LastDay)) {
    throw std::invalid_argument("Invalid date-time value in the sample record");
  }
  // Before 1899-12-30 the day counts down while the fraction still counts the time of
  // day forwards, so the whole part and the fraction are taken apart.
  std::int64_t Days = static_cast<std::int64_t>(std::trunc(DateTime));
  std::int64_t MSecs =
      std::llround(std::fabs(DateTime - static_cast<double>(Days)) * MSecsPerDay);
  if (MSecs >= MSecsPerDay) {
    MSecs -= MSecsPerDay;
    Days += DateTime < 0 ? -1 : 1;
  }
  TXSDateTime Result;
  CivilFromDays(Days - DaysTo1970, Result.Year, Result.Month, Result.Day);
  Result.Hour = static_cast<int>(MSecs / 3600000);
  Result.Minute = static_cast<int>(MSecs / 60000 % 60);
  Result.Second = static_cast<int>(MSecs / 1000 % 60);
  Result.Millisecond = static_cast<int>(MSecs % 1000);
  return Result;
}

std::string TXSDateTime::ToXSD() const {
  char Text[40];
  int Length = std::snprintf(Text, sizeof Text, "%.4d-%.2d-%.2d", Year, Month, Day);
  if (Hour != 0 || Minute != 0 || Second != 0) {
    Length += std::snprintf(Text + Length, sizeof Text - Length, "T%.2d:%.2d:%.2d.%.3d", Hour,
                            Minute, Second, Millisecond);
  }
  return std::string(Text, Length);
}

}  // namespace dravel
