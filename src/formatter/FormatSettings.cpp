#include "formatter/FormatSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <string_view>

#include "formatter/Charset.h"
#include "formatter/StrftimePattern.h"

namespace dravel {
namespace {

// The user's LC_NUMERIC, LC_TIME and LC_CTYPE, or "C" when the environment names none
// that exists; the process's own locale is left alone.
class TUserLocale {
 public:
  TUserLocale() {
    constexpr int Mask = LC_NUMERIC_MASK | LC_TIME_MASK | LC_CTYPE_MASK;
    FLocale = newlocale(Mask, "", nullptr);
    if (FLocale == nullptr) FLocale = newlocale(Mask, "C", nullptr);
  }
  ~TUserLocale() {
    if (FLocale != nullptr) freelocale(FLocale);
  }
  TUserLocale(const TUserLocale&) = delete;
  TUserLocale& operator=(const TUserLocale&) = delete;

  std::string Raw(nl_item Item) const {
    if (FLocale == nullptr) return {};
    const char* Text = nl_langinfo_l(Item, FLocale);
    return Text != nullptr ? Text : "";
  }

  // A text of the locale in code page 1252.
  std::string Text(nl_item Item) const {
    const std::string Value = Raw(Item);
    const std::string Charset = Raw(CODESET);
    if (Charset.empty()) return Value;
    try {
      return ConvertCharset(Value, Charset.c_str(), "CP1252");
    } catch (const std::exception&) {
      return Value;
    }
  }

 private:
  locale_t FLocale = nullptr;
};

// Drops the seconds (":ss" with the separator token before it) from a time pattern.
std::string WithoutSeconds(std::string Pattern) {
  const std::size_t At = Pattern.find(":ss");
  if (At != std::string::npos) Pattern.erase(At, 3);
  return Pattern;
}

}  // namespace

TFormatSettings FormatSettingsFromLocale() {
  const TUserLocale Locale;
  TFormatSettings Settings;
  if (const std::string Decimal = Locale.Text(RADIXCHAR); !Decimal.empty()) {
    Settings.DecimalSeparator = Decimal;
  }
  Settings.ThousandSeparator = Locale.Text(THOUSEP);

  const std::string DateFormat = Locale.Text(D_FMT);
  const std::string TimeFormat = Locale.Text(T_FMT);
  const std::string AmPmTimeFormat = Locale.Text(T_FMT_AMPM);
  const std::string TimeResolved = TimeFormat == "%r" ? AmPmTimeFormat : TimeFormat;
  const char DateSeparator = StrftimeSeparator(DateFormat, '/');
  const char TimeSeparator = StrftimeSeparator(TimeResolved, ':');
  Settings.DateSeparator = std::string(1, DateSeparator);
  Settings.TimeSeparator = std::string(1, TimeSeparator);
  if (!DateFormat.empty()) {
    Settings.ShortDateFormat = PatternFromStrftime(DateFormat, AmPmTimeFormat, DateSeparator, '/');
    Settings.LongDateFormat = LongDatePattern(DateFormat);
  }
  if (!TimeFormat.empty()) {
    Settings.LongTimeFormat = PatternFromStrftime(TimeFormat, AmPmTimeFormat, TimeSeparator, ':');
    Settings.ShortTimeFormat = WithoutSeconds(Settings.LongTimeFormat);
  }
  Settings.TimeAMString = Locale.Text(AM_STR);
  Settings.TimePMString = Locale.Text(PM_STR);

  for (int Month = 0; Month < 12; ++Month) {
    Settings.ShortMonthNames[Month] = Locale.Text(ABMON_1 + Month);
    Settings.LongMonthNames[Month] = Locale.Text(MON_1 + Month);
  }
  for (int Day = 0; Day < 7; ++Day) {  // DAY_1 is Sunday
    Settings.ShortDayNames[Day] = Locale.Text(ABDAY_1 + Day);
    Settings.LongDayNames[Day] = Locale.Text(DAY_1 + Day);
  }
  return Settings;
}

}  // namespace dravel
