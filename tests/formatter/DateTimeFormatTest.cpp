// The date-time pattern language and the day count behind it.
#include "formatter/DateTimeFormat.h"

#include <gtest/gtest.h>

#include <cmath>

#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

class DateTimePatternTest : public ::testing::Test {
 protected:
  std::string Format(std::string_view Pattern, double When) {
    return FormatDateTime(Pattern, When, Settings);
  }
  TFormatSettings Settings = testing::TestSettings();
  // Sunday 7 March 2004, 09:05:03, and Wednesday 31 December 2025, 23:59:58.
  const double Morning = EncodeDateTime(2004, 3, 7, 9, 5, 3);
  const double Evening = EncodeDateTime(2025, 12, 31, 23, 59, 58);
};

TEST_F(DateTimePatternTest, DayCountStartsAt1899December30) {
  const auto Zero = DecodeDateTime(0);
  ASSERT_TRUE(Zero);
  EXPECT_EQ(Zero->Year, 1899);
  EXPECT_EQ(Zero->Month, 12);
  EXPECT_EQ(Zero->Day, 30);
  EXPECT_EQ(Zero->DayOfWeek, 6);  // a Saturday
  EXPECT_DOUBLE_EQ(EncodeDateTime(2004, 3, 7), 38053);
  EXPECT_EQ(Format("yyyy-mm-dd hh:nn:ss", 38053.75), "2004-03-07 18:00:00");
}

TEST_F(DateTimePatternTest, DatesBeforeZeroKeepThePositiveTimeOfDay) {
  EXPECT_EQ(Format("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
}

TEST_F(DateTimePatternTest, YearsOneTo9999Only) {
  EXPECT_EQ(Format("yyyy-mm-dd", EncodeDateTime(1, 1, 1)), "0001-01-01");
  EXPECT_EQ(Format("yyyy-mm-dd hh:nn:ss", EncodeDateTime(9999, 12, 31, 23, 59, 59)),
            "9999-12-31 23:59:59");
  EXPECT_EQ(Format("yyyy", EncodeDateTime(1, 1, 1) - 1), "");
  EXPECT_EQ(Format("yyyy", EncodeDateTime(10000, 1, 1)), "");
  EXPECT_EQ(Format("yyyy", std::nan("")), "");
  EXPECT_EQ(Format("yyyy", INFINITY), "");
}

TEST_F(DateTimePatternTest, DayTokens) {
  EXPECT_EQ(Format("d|dd|ddd|dddd", Morning), "7|07|Sun|Sunday");
  EXPECT_EQ(Format("ddddd", Morning), "07/03/2004");
  EXPECT_EQ(Format("dddddd", Morning), "Sunday 7 March 2004");
  EXPECT_EQ(Format("DDD", Evening), "Wed");
}

TEST_F(DateTimePatternTest, MonthAndYearTokens) {
  EXPECT_EQ(Format("m|mm|mmm|mmmm", Morning), "3|03|Mar|March");
  EXPECT_EQ(Format("yy|yyyy|y", Morning), "04|2004|04");
}

TEST_F(DateTimePatternTest, MonthAfterAnHourIsTheMinute) {
  EXPECT_EQ(Format("hh:mm", Morning), "09:05");
  EXPECT_EQ(Format("h m", Morning), "9 5");
  EXPECT_EQ(Format("hh 'at' mm", Morning), "09 at 05");
  EXPECT_EQ(Format("mm hh", Morning), "03 09");
  EXPECT_EQ(Format("hh:nn mm", Morning), "09:05 03");  // a minute token in between
}

TEST_F(DateTimePatternTest, TimeTokens) {
  EXPECT_EQ(Format("h|hh|n|nn|s|ss", Morning), "9|09|5|05|3|03");
  EXPECT_EQ(Format("t", Morning), "09:05");
  EXPECT_EQ(Format("tt", Morning), "09:05:03");
}

TEST_F(DateTimePatternTest, TwelveHourClock) {
  EXPECT_EQ(Format("h:nn am/pm", Evening), "11:59 pm");
  EXPECT_EQ(Format("h:nn AM/PM", Morning), "9:05 AM");
  EXPECT_EQ(Format("h:nn Am/pM", Evening), "11:59 pM");
  EXPECT_EQ(Format("hh a/p", Evening), "11 p");
  EXPECT_EQ(Format("hh A/P", Morning), "09 A");
  EXPECT_EQ(Format("h ampm", Evening), "11 nachm");
  EXPECT_EQ(Format("h ampm", EncodeDateTime(2004, 3, 7)), "12 vorm");
  EXPECT_EQ(Format("h 'am/pm' h", Evening), "23 am/pm 23");  // quoted: 24-hour clock
  EXPECT_EQ(Format("h ax", Evening), "23 ax");
}

TEST_F(DateTimePatternTest, SeparatorsComeFromTheSettings) {
  Settings.DateSeparator = ".";
  Settings.TimeSeparator = "h";
  EXPECT_EQ(Format("dd/mm/yy hh:nn", Morning), "07.03.04 09h05");
}

TEST_F(DateTimePatternTest, QuotedTextIsCopied) {
  EXPECT_EQ(Format("'Date' dd 'yy:mm'", Morning), "Date 07 yy:mm");
  EXPECT_EQ(Format("dd 'open", Morning), "07 open");
  EXPECT_EQ(Format("x#z! dd", Morning), "x#z! 07");
}

TEST_F(DateTimePatternTest, WholeDateAndTime) {
  EXPECT_EQ(Format("c", Morning), "07/03/2004 09:05:03");
  EXPECT_EQ(Format("", Morning), "07/03/2004 09:05:03");
  EXPECT_EQ(Format("c", EncodeDateTime(2004, 3, 7)), "07/03/2004");  // midnight: no time
}

TEST_F(DateTimePatternTest, SelfReferringLocalePatternsEnd) {
  Settings.ShortDateFormat = "c dddddd";
  Settings.LongDateFormat = "ddddd";
  Settings.LongTimeFormat = "tt c";
  const std::string Text = Format("c", Morning);
  EXPECT_FALSE(Text.empty());
  EXPECT_LT(Text.size(), 200u);
}

}  // namespace
}  // namespace dravel
