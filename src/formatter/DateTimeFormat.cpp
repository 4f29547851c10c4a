#include "formatter/DateTimeFormat.h"

#include <cmath>
#include <cstdint>

#include "formatter/NumberFormat.h"
#include "formatter/TextCase.h"

namespace dravel {
namespace {

// Day counts of 0001-01-01 and 10000-01-01.
constexpr double MinDateTime = -693593.0;
constexpr double MaxDateTime = 2958466.0;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t UnixDayOfZero = -25569;
constexpr std::int64_t MSecsPerDay = 86400000;
// Locale patterns may name each other ("c" holds the short date); bound the nesting.
constexpr int MaxNesting = 2;

struct TCivil {
  int Year, Month, Day;
};

// Proleptic Gregorian calendar from days since 1970-01-01 (H. Hinnant's algorithm).
TCivil CivilFromDays(std::int64_t Days) {
  Days += 719468;
  const std::int64_t Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const std::int64_t DayOfEra = Days - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  const int Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  const int Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  const std::int64_t Year = YearOfEra + Era * 400 + (Month <= 2 ? 1 : 0);
  return {static_cast<int>(Year), Month, Day};
}

std::int64_t DaysFromCivil(int Year, int Month, int Day) {
  const std::int64_t Y = Year - (Month <= 2 ? 1 : 0);
  const std::int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const std::int64_t YearOfEra = Y - Era * 400;
  const std::int64_t DayOfYear = (153 * (Month > 2 ? Month - 3 : Month + 9) + 2) / 5 + Day - 1;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

bool StartsWithNoCase(std::string_view Text, std::size_t At, std::string_view Prefix) {
  return Text.size() - At >= Prefix.size() && SameTextAscii(Text.substr(At, Prefix.size()), Prefix);
}

char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

bool IsAsciiLetter(char C) { return Upper(C) >= 'A' && Upper(C) <= 'Z'; }

class TPatternWriter {
 public:
  TPatternWriter(const TDecodedDateTime& Time, bool HasTime, const TFormatSettings& Settings)
      : FTime(Time), FHasTime(HasTime), FSettings(Settings) {}

  void Append(std::string_view Pattern, int Nesting) {
    if (Nesting > MaxNesting) return;
    char LastToken = ' ';
    std::size_t I = 0;
    while (I < Pattern.size()) {
      const char Start = Pattern[I];
      char Token = Upper(Start);
      if (IsAsciiLetter(Start)) {
        if (Token == 'M' && LastToken == 'H') Token = 'N';
        LastToken = Token;
      }
      const std::size_t Count = RunLength(Pattern, I);
      switch (Token) {
        case 'Y':
          I += Count;
          FOut += Count <= 2 ? FormatIntDigits(FTime.Year % 100, 2) : FormatIntDigits(FTime.Year, 4);
          break;
        case 'M':
          I += Count;
          AppendMonth(Count);
          break;
        case 'D':
          I += Count;
          AppendDay(Count, Nesting);
          break;
        case 'H':
          I += Count;
          AppendHour(Count, Pattern.substr(I));
          break;
        case 'N':
          I += Count;
          FOut += Count == 1 ? FormatInt(FTime.Minute) : FormatIntDigits(FTime.Minute, 2);
          break;
        case 'S':
          I += Count;
          FOut += Count == 1 ? FormatInt(FTime.Second) : FormatIntDigits(FTime.Second, 2);
          break;
        case 'T':
          I += Count;
          Append(Count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, Nesting + 1);
          break;
        case 'C':
          I += Count;
          Append(FSettings.ShortDateFormat, Nesting + 1);
          if (FHasTime) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat, Nesting + 1);
          }
          break;
        case 'A':
          I += AppendAmPm(Pattern, I);
          break;
        case '/':
          ++I;
          FOut += FSettings.DateSeparator;
          break;
        case ':':
          ++I;
          FOut += FSettings.TimeSeparator;
          break;
        case '\'':
        case '"': {
          const std::size_t Close = Pattern.find(Start, I + 1);
          const std::size_t End = Close == std::string_view::npos ? Pattern.size() : Close;
          FOut += Pattern.substr(I + 1, End - I - 1);
          I = Close == std::string_view::npos ? Pattern.size() : Close + 1;
          break;
        }
        default:
          FOut += Start;
          ++I;
          break;
      }
    }
  }

  std::string Take() { return std::move(FOut); }

 private:
  // A run of the same character (as written) is one token: "ddd" is not "dd" and "d".
  static std::size_t RunLength(std::string_view Pattern, std::size_t From) {
    std::size_t End = From + 1;
    while (End < Pattern.size() && Pattern[End] == Pattern[From]) ++End;
    return End - From;
  }

  void AppendMonth(std::size_t Count) {
    switch (Count) {
      case 1: FOut += FormatInt(FTime.Month); break;
      case 2: FOut += FormatIntDigits(FTime.Month, 2); break;
      case 3: FOut += FSettings.ShortMonthNames[FTime.Month - 1]; break;
      default: FOut += FSettings.LongMonthNames[FTime.Month - 1]; break;
    }
  }

  void AppendDay(std::size_t Count, int Nesting) {
    switch (Count) {
      case 1: FOut += FormatInt(FTime.Day); break;
      case 2: FOut += FormatIntDigits(FTime.Day, 2); break;
      case 3: FOut += FSettings.ShortDayNames[FTime.DayOfWeek]; break;
      case 4: FOut += FSettings.LongDayNames[FTime.DayOfWeek]; break;
      case 5: Append(FSettings.ShortDateFormat, Nesting + 1); break;
      default: Append(FSettings.LongDateFormat, Nesting + 1); break;
    }
  }

  // The 12-hour clock applies when the next unquoted "a" ahead, before any other hour
  // token, begins "am/pm", "a/p" or "ampm".
  void AppendHour(std::size_t Count, std::string_view Rest) {
    bool TwelveHour = false;
    bool Quoted = false;
    for (std::size_t I = 0; I < Rest.size(); ++I) {
      const char C = Upper(Rest[I]);
      if (C == '\'' || C == '"') {
        Quoted = !Quoted;
      } else if (!Quoted && C == 'H') {
        break;
      } else if (!Quoted && C == 'A') {
        TwelveHour = StartsWithNoCase(Rest, I, "am/pm") || StartsWithNoCase(Rest, I, "a/p") ||
                     StartsWithNoCase(Rest, I, "ampm");
        break;
      }
    }
    int Hour = FTime.Hour;
    if (TwelveHour) {
      if (Hour == 0) {
        Hour = 12;
      } else if (Hour > 12) {
        Hour -= 12;
      }
    }
    FOut += Count == 1 ? FormatInt(Hour) : FormatIntDigits(Hour, 2);
  }

  // Returns the number of pattern characters used.
  std::size_t AppendAmPm(std::string_view Pattern, std::size_t At) {
    const bool Afternoon = FTime.Hour >= 12;
    if (StartsWithNoCase(Pattern, At, "am/pm")) {
      FOut += Pattern.substr(At + (Afternoon ? 3 : 0), 2);
      return 5;
    }
    if (StartsWithNoCase(Pattern, At, "a/p")) {
      FOut += Pattern[At + (Afternoon ? 2 : 0)];
      return 3;
    }
    if (StartsWithNoCase(Pattern, At, "ampm")) {
      FOut += Afternoon ? FSettings.TimePMString : FSettings.TimeAMString;
      return 4;
    }
    FOut += Pattern[At];
    return 1;
  }

  const TDecodedDateTime& FTime;
  const bool FHasTime;
  const TFormatSettings& FSettings;
  std::string FOut;
};

}  // namespace

std::optional<TDecodedDateTime> DecodeDateTime(double DateTime) {
  if (!std::isfinite(DateTime) || DateTime < MinDateTime || DateTime >= MaxDateTime) {
    return std::nullopt;
  }
  // The whole part counts days, the fraction's magnitude is the time of day (also for
  // dates before 1899-12-30, whose day counts are negative).
  const double WholeDays = std::trunc(DateTime);
  std::int64_t MSec = std::llround(std::fabs(DateTime - WholeDays) * MSecsPerDay);
  if (MSec >= MSecsPerDay) MSec = MSecsPerDay - 1;
  const std::int64_t UnixDays = static_cast<std::int64_t>(WholeDays) + UnixDayOfZero;
  const TCivil Date = CivilFromDays(UnixDays);
  TDecodedDateTime Result{};
  Result.Year = Date.Year;
  Result.Month = Date.Month;
  Result.Day = Date.Day;
  Result.DayOfWeek = static_cast<int>(((UnixDays % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  Result.Hour = static_cast<int>(MSec / 3600000);
  Result.Minute = static_cast<int>(MSec / 60000 % 60);
  Result.Second = static_cast<int>(MSec / 1000 % 60);
  Result.MSec = static_cast<int>(MSec % 1000);
  return Result;
}

double EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  const auto Days = static_cast<double>(DaysFromCivil(Year, Month, Day) - UnixDayOfZero);
  return Days + (Hour * 3600.0 + Minute * 60.0 + Second) / 86400.0;
}

std::string FormatDateTime(std::string_view Pattern, double DateTime,
                           const TFormatSettings& Settings) {
  const auto Time = DecodeDateTime(DateTime);
  if (!Time) return {};
  const bool HasTime = Time->Hour != 0 || Time->Minute != 0 || Time->Second != 0 || Time->MSec != 0;
  TPatternWriter Writer(*Time, HasTime, Settings);
  Writer.Append(Pattern.empty() ? std::string_view("c") : Pattern, 0);
  return Writer.Take();
}

}  // namespace dravel
