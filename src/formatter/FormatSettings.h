#pragma once
// The user's regional conventions for numbers, dates and times, as the value functions use
// them. Filled once at start-up from the locale; tests build their own.

#include <array>
#include <string>

namespace dravel {

struct TFormatSettings {
  // Separators may be empty (no thousands grouping) or longer than one character.
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  // Date-time patterns in the pattern language of the date-time item ("dd/mm/yyyy").
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn ampm";
  std::string LongTimeFormat = "h:nn:ss ampm";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Index 0 is Sunday.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// Reads LC_NUMERIC and LC_TIME of the user's environment through the C library, without
// changing the process's locale; names are converted to code page 1252.
TFormatSettings FormatSettingsFromLocale();

}  // namespace dravel
