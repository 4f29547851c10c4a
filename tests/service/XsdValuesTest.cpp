// How values are written into and read from messages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CommaLocale.h"
#include "service/SoapError.h"
#include "service/XsdDateTime.h"
#include "service/XsdValues.h"

namespace dravel {
namespace {

TEST(FormatSingleTest, PrintsTheExactValueWithFifteenSignificantDigits) {
  EXPECT_EQ(FormatSingle(0.1f), "0.100000001490116");
  EXPECT_EQ(FormatSingle(42.0f), "42");
  EXPECT_EQ(FormatSingle(12.5f), "12.5");
  EXPECT_EQ(FormatSingle(-3.25f), "-3.25");
  EXPECT_EQ(FormatSingle(0.0f), "0");
  EXPECT_EQ(FormatSingle(16777216.0f), "16777216");
}

TEST(FormatSingleTest, SmallAndHugeValuesUseTheExponentForm) {
  EXPECT_EQ(FormatSingle(0.00001f), "9.99999974737875E-6");
  EXPECT_EQ(FormatSingle(0.0000152587890625f), "0.0000152587890625");
  EXPECT_EQ(FormatSingle(0.000001f), "9.99999997475243E-7");
  EXPECT_EQ(FormatSingle(1.0e20f), "1.00000002004088E20");
  EXPECT_EQ(FormatSingle(1099511627776.0f), "1099511627776");
  EXPECT_EQ(FormatSingle(1125899906842624.0f), "1.12589990684262E15");
  EXPECT_EQ(FormatSingle(-0.0000019073486328125f), "-1.9073486328125E-6");
}

TEST(FormatSingleTest, NotANumberAndInfinityUseTheSchemaNames) {
  EXPECT_EQ(FormatSingle(std::numeric_limits<float>::quiet_NaN()), "NaN");
  EXPECT_EQ(FormatSingle(std::numeric_limits<float>::infinity()), "INF");
  EXPECT_EQ(FormatSingle(-std::numeric_limits<float>::infinity()), "-INF");
}

TEST(FormatSingleTest, DecimalPointWhateverTheLocale) {
  const testing::TCommaLocale Comma;
  ASSERT_TRUE(Comma.Active()) << "no locale with a decimal comma could be made";
  EXPECT_EQ(FormatSingle(12.5f), "12.5");
  EXPECT_EQ(FormatSingle(-0.375f), "-0.375");
}

TEST(XSDDateTimeTest, MidnightGivesTheDateAlone) {
  EXPECT_EQ(TXSDateTime::FromDateTime(38053.0).ToXSD(), "2004-03-07");
  EXPECT_EQ(TXSDateTime::FromDateTime(0.0).ToXSD(), "1899-12-30");
}

TEST(XSDDateTimeTest, TimeWithMilliseconds) {
  EXPECT_EQ(TXSDateTime::FromDateTime(38053.378472222219).ToXSD(), "2004-03-07T09:05:00.000");
  EXPECT_EQ(TXSDateTime::FromDateTime(38053.5 + 1.5 / 86400).ToXSD(), "2004-03-07T12:00:01.500");
  EXPECT_EQ(TXSDateTime::FromDateTime(36526.99999998).ToXSD(), "2000-01-01T23:59:59.998");
  // Rounded to the millisecond, the last instant of a day stays on that day.
  EXPECT_EQ(TXSDateTime::FromDateTime(36526.999999999).ToXSD(), "2000-01-01T23:59:59.999");
}

TEST(XSDDateTimeTest, DaysBeforeTheEpochCountTheTimeForwards) {
  EXPECT_EQ(TXSDateTime::FromDateTime(-1.25).ToXSD(), "1899-12-29T06:00:00.000");
  EXPECT_EQ(TXSDateTime::FromDateTime(-693593.0).ToXSD(), "0001-01-01");
}

TEST(XSDDateTimeTest, ValuesNoCalendarHoldsAreRefused) {
  EXPECT_THROW(TXSDateTime::FromDateTime(std::nan("")), std::invalid_argument);
  EXPECT_THROW(TXSDateTime::FromDateTime(1e300), std::invalid_argument);
  EXPECT_THROW(TXSDateTime::FromDateTime(-693594.0), std::invalid_argument);
  EXPECT_EQ(TXSDateTime::FromDateTime(2958465.5).ToXSD(), "9999-12-31T12:00:00.000");
}

TEST(ReadShortintTest, DecimalAfterTrimmingStoredInEightBits) {
  EXPECT_EQ(ReadShortint(" 3 "), 3);
  EXPECT_EQ(ReadShortint("-1"), -1);
  EXPECT_EQ(ReadShortint("+4"), 4);
  EXPECT_EQ(ReadShortint("127"), 127);
  EXPECT_EQ(ReadShortint("128"), -128);
  EXPECT_EQ(ReadShortint("256"), 0);
  EXPECT_EQ(ReadShortint("-2147483648"), 0);
}

TEST(ReadShortintTest, NonNumericTextIsNotAValidInteger) {
  for (const char* Text : {"", "abc", "1.5", "0x10", "2147483648", "- 1", "1 2"}) {
    try {
      ReadShortint(Text);
      ADD_FAILURE() << Text;
    } catch (const TSoapError& Error) {
      EXPECT_EQ(std::string(Error.what()), "'" + std::string(Text) + "' is not a valid integer value");
    }
  }
}

TEST(ReadSubItemTest, NamesWithoutCaseAfterTrimming) {
  EXPECT_EQ(ReadSubItem("siFree"), TSubItem::siFree);
  EXPECT_EQ(ReadSubItem(" SITOTAL\n"), TSubItem::siTotal);
  EXPECT_EQ(ReadSubItem("siused"), TSubItem::siUsed);
  const auto Unknown = static_cast<int>(ReadSubItem("siNone"));
  EXPECT_GT(Unknown, 2);
}

TEST(ReadCharTest, FirstCharacterOrZero) {
  EXPECT_EQ(ReadChar("Cx"), 'C');
  EXPECT_EQ(ReadChar(""), '\0');
}

}  // namespace
}  // namespace dravel
