#include "formatter/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CommaLocale.h"
#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

using testing::TestSettings;

TEST(RoundingTest, TiesGoAwayFromZero) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatFixed(2.5, 0, S), "3");
  EXPECT_EQ(FormatFixed(0.5, 0, S), "1");
  EXPECT_EQ(FormatFixed(-2.5, 0, S), "-3");
  EXPECT_EQ(FormatFixed(0.125, 2, S), "0.13");  // exactly representable tie
  EXPECT_EQ(FormatFixed(0.375, 2, S), "0.38");
}

// The program runs under the user's LC_NUMERIC; only the format settings choose separators.
TEST(RoundingTest, TheCLibraryLocaleChangesNothing) {
  const testing::TCommaLocale Comma;
  ASSERT_TRUE(Comma.Active()) << "no locale with a decimal comma could be made";
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatFixed(2.5, 0, S), "3");
  EXPECT_EQ(FormatFixed(1234.567, 2, S), "1234.57");
  EXPECT_EQ(FormatNumber(1234.5, 2, S), "1,234.50");
  EXPECT_EQ(FormatGeneral(0.1, S), "0.1");
  EXPECT_EQ(FormatGeneral(1.5e20, S), "1.5E20");
}

TEST(RoundingTest, TiesBeyondTheFastRangeToo) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatFixed(1e14 + 0.125, 2, S), "100000000000000.13");
  EXPECT_EQ(FormatFixed(-(1e14 + 0.375), 2, S), "-100000000000000.38");
  EXPECT_EQ(FormatFixed(1e15 + 0.5, 0, S), "1000000000000001");
}

TEST(RoundingTest, NearTiesRoundToTheNearerSide) {
  const TFormatSettings S = TestSettings();
  // 1.005 and 2.675 are stored just below the tie, so they round down.
  EXPECT_EQ(FormatFixed(1.005, 2, S), "1.00");
  EXPECT_EQ(FormatFixed(2.675, 2, S), "2.67");
  EXPECT_EQ(FormatFixed(2.4999999, 0, S), "2");
  EXPECT_EQ(FormatFixed(37.4f, 2, S), "37.40");
}

TEST(RoundingTest, CarryRunsIntoANewDigit) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatFixed(99.5, 0, S), "100");
  EXPECT_EQ(FormatFixed(9.999, 2, S), "10.00");
  EXPECT_EQ(FormatNumber(999.5, 0, S), "1,000");
}

TEST(RoundingTest, NoNegativeZero) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatFixed(-0.4, 0, S), "0");
  EXPECT_EQ(FormatFixed(-0.001, 2, S), "0.00");
  EXPECT_EQ(FormatFixed(-0.6, 0, S), "-1");
}

TEST(SeparatorTest, ThousandsGroupsOfThree) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatNumber(1234567, 0, S), "1,234,567");
  EXPECT_EQ(FormatNumber(1234567, 2, S), "1,234,567.00");
  EXPECT_EQ(FormatNumber(123, 0, S), "123");
  EXPECT_EQ(FormatNumber(123456, 0, S), "123,456");
  EXPECT_EQ(FormatNumber(-1234.5, 0, S), "-1,235");
  EXPECT_EQ(FormatFixed(1234567, 0, S), "1234567");  // "%.0f" has no grouping
}

TEST(SeparatorTest, SeparatorsComeFromTheSettings) {
  TFormatSettings S = TestSettings();
  S.DecimalSeparator = ",";
  S.ThousandSeparator = ".";
  EXPECT_EQ(FormatNumber(1234567.891, 2, S), "1.234.567,89");
  EXPECT_EQ(FormatFixed(3.5, 2, S), "3,50");
  EXPECT_EQ(FormatGeneral(114.8, S), "114,8");
  S.ThousandSeparator = "";
  EXPECT_EQ(FormatNumber(1234567, 0, S), "1234567");
  S.ThousandSeparator = "\xA0";  // no-break space, one byte in code page 1252
  EXPECT_EQ(FormatNumber(12345, 0, S), "12\xA0" "345");
}

TEST(GeneralFormatTest, ShortestFormWithoutTrailingZeros) {
  const TFormatSettings S = TestSettings();
  EXPECT_EQ(FormatGeneral(46, S), "46");
  EXPECT_EQ(FormatGeneral(114.8, S), "114.8");
  EXPECT_EQ(FormatGeneral(-40, S), "-40");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2, S), "0.3");  // at most 15 significant digits
  EXPECT_EQ(FormatGeneral(1e20, S), "1E20");
  EXPECT_EQ(FormatGeneral(1.5e-7, S), "1.5E-7");
}

TEST(NonFiniteTest, NamedInsteadOfDigits) {
  const TFormatSettings S = TestSettings();
  const double Inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatFixed(std::nan(""), 2, S), "NAN");
  EXPECT_EQ(FormatNumber(Inf, 0, S), "INF");
  EXPECT_EQ(FormatGeneral(-Inf, S), "-INF");
}

TEST(HugeValueTest, EveryDigitOfTheLargestFloat) {
  const TFormatSettings S = TestSettings();
  const std::string Text = FormatNumber(std::numeric_limits<float>::max(), 2, S);
  EXPECT_EQ(Text.substr(0, 8), "340,282,");
  EXPECT_EQ(Text.substr(Text.size() - 3), ".00");
}

TEST(WholeNumberTest, WidthAndDigits) {
  EXPECT_EQ(FormatInt(5), "5");
  EXPECT_EQ(FormatInt(5, 2), " 5");
  EXPECT_EQ(FormatInt(100, 2), "100");
  EXPECT_EQ(FormatIntDigits(5, 2), "05");
  EXPECT_EQ(FormatIntDigits(-5, 2), "-05");
  EXPECT_EQ(FormatInt(-32768), "-32768");
}

}  // namespace
}  // namespace dravel
