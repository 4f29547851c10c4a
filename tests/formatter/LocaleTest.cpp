// Regional settings taken from the C library, and code page conversion at the edges.
#include <gtest/gtest.h>

#include <cstdlib>

#include "formatter/FormatterTestSupport.h"
#include "formatter/StrftimePattern.h"

namespace dravel {
namespace {

TEST(StrftimePatternTest, NumericDates) {
  EXPECT_EQ(PatternFromStrftime("%d.%m.%Y", "", '.', '/'), "dd/mm/yyyy");
  EXPECT_EQ(PatternFromStrftime("%m/%d/%y", "", '/', '/'), "mm/dd/yy");
  EXPECT_EQ(PatternFromStrftime("%Y-%m-%d", "", '-', '/'), "yyyy/mm/dd");
  EXPECT_EQ(PatternFromStrftime("%-d.%-m.%Y", "", '.', '/'), "d/m/yyyy");
}

TEST(StrftimePatternTest, TimesAndTwelveHourClock) {
  EXPECT_EQ(PatternFromStrftime("%H:%M:%S", "", ':', ':'), "hh:nn:ss");
  EXPECT_EQ(PatternFromStrftime("%r", "%I:%M:%S %p", ':', ':'), "hh:nn:ss ampm");
  EXPECT_EQ(PatternFromStrftime("%T", "", ':', ':'), "hh:nn:ss");
}

TEST(StrftimePatternTest, LettersAreQuoted) {
  EXPECT_EQ(PatternFromStrftime("%Y\xC5r %m", "", '/', '/'), "yyyy\xC5'r' mm");
  EXPECT_EQ(PatternFromStrftime("%H h %M", "", ':', ':'), "hh 'h' nn");
  EXPECT_EQ(PatternFromStrftime("%Hh%M", "", 'h', ':'), "hh:nn");
}

TEST(StrftimePatternTest, SeparatorAndLongDate) {
  EXPECT_EQ(StrftimeSeparator("%d.%m.%Y", '/'), '.');
  EXPECT_EQ(StrftimeSeparator("%H:%M", '/'), ':');
  EXPECT_EQ(StrftimeSeparator("%x", '/'), '/');
  EXPECT_EQ(LongDatePattern("%d.%m.%Y"), "dddd, d mmmm yyyy");
  EXPECT_EQ(LongDatePattern("%m/%d/%y"), "dddd, mmmm d yyyy");
  EXPECT_EQ(LongDatePattern("%D"), "dddd, mmmm d yyyy");
}

TEST(LocaleSettingsTest, CLocale) {
  setenv("LC_ALL", "C", 1);
  const TFormatSettings Settings = FormatSettingsFromLocale();
  EXPECT_EQ(Settings.DecimalSeparator, ".");
  EXPECT_EQ(Settings.ThousandSeparator, "");
  EXPECT_EQ(Settings.DateSeparator, "/");
  EXPECT_EQ(Settings.TimeSeparator, ":");
  EXPECT_EQ(Settings.ShortDateFormat, "mm/dd/yy");
  EXPECT_EQ(Settings.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(Settings.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(Settings.TimeAMString, "AM");
  EXPECT_EQ(Settings.LongMonthNames[0], "January");
  EXPECT_EQ(Settings.ShortDayNames[0], "Sun");
  EXPECT_EQ(Settings.LongDayNames[6], "Saturday");
}

TEST(LocaleSettingsTest, UnknownLocaleFallsBackToC) {
  setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
  const TFormatSettings Settings = FormatSettingsFromLocale();
  EXPECT_EQ(Settings.DecimalSeparator, ".");
  EXPECT_EQ(Settings.LongMonthNames[11], "December");
}

TEST(CharsetTest, DegreeSignRoundTrip) {
  EXPECT_EQ(ConvertCharset("21\xBA", "CP1252", "UTF-8"), "21\xC2\xBA");
  EXPECT_EQ(ConvertCharset("21\xC2\xBA \xE2\x82\xAC", "UTF-8", "CP1252"), "21\xBA \x80");
}

TEST(CharsetTest, UnrepresentableAndInvalidBecomeQuestionMarks) {
  EXPECT_EQ(ConvertCharset("a\xE4\xB8\x80z", "UTF-8", "CP1252"), "a?z");  // a CJK character
  EXPECT_EQ(ConvertCharset("a\xFFz", "UTF-8", "CP1252"), "a?z");
  EXPECT_EQ(ConvertCharset("a\xC3", "UTF-8", "CP1252"), "a?");  // cut short
  EXPECT_THROW(ConvertCharset("a", "NO-SUCH-CODE", "UTF-8"), std::runtime_error);
}

TEST(CharsetTest, IntoCodePage1252EachMissingCharacterIsOneQuestionMark) {
  // An arrow must not become "->", whose ">" would end a tag.
  EXPECT_EQ(ConvertCharset("a\xE2\x86\x92" "b", "UTF-8", "CP1252"), "a?b");
  EXPECT_EQ(ConvertCharset("\xE2\x80\x9C\xF0\x9F\x98\x80", "UTF-8", "cp1252"), "\x93?");
  EXPECT_EQ(ConvertCharset("\xE1\xE9", "ISO-8859-7", "CP1252"), "??");  // Greek letters
  EXPECT_EQ(ConvertCharset("caf\xE9", "ISO-8859-1", "CP1252"), "caf\xE9");
  EXPECT_THROW(ConvertCharset("a", "NO-SUCH-CODE", "CP1252"), std::runtime_error);
}

}  // namespace
}  // namespace dravel
