// How tags are found, read, filled and replaced, whatever item they name.
#include <gtest/gtest.h>

#include "formatter/FormatterTestSupport.h"
#include "formatter/TagParser.h"

namespace dravel {
namespace {

class TagLanguageTest : public ::testing::Test {
 protected:
  TagLanguageTest() {
    Engine.Data().Threads = 321;
    Engine.Data().Processes = 42;
    Engine.Data().ProcUsage[0] = 100.0f;
  }
  std::string Show(std::string_view Line, TAlignment Alignment = TAlignment::Left) {
    return Engine.Show(Line, Alignment);
  }
  testing::TEngine Engine;
};

TEST_F(TagLanguageTest, SizeFillsOnTheAlignedSide) {
  EXPECT_EQ(Show("Threads: <NAME=Threads SIZE=5>", TAlignment::Right), "Threads:   321");
  EXPECT_EQ(Show("Threads: <NAME=Threads SIZE=5>", TAlignment::Left), "Threads: 321  ");
}

TEST_F(TagLanguageTest, CharIsTheFillAsWritten) {
  EXPECT_EQ(Show("<NAME=Blank SIZE=3 CHAR=->"), "---");
  EXPECT_EQ(Show("<NAME=Blank SIZE=3 CHAR=x>"), "xxx");
  EXPECT_EQ(Show("<NAME=Blank>"), "");
  EXPECT_EQ(Show("<NAME=Blank CHAR=x>"), "");  // no SIZE, no fill
  EXPECT_EQ(Show("<NAME=Blank SIZE=2 CHAR=>"), ">>");
  EXPECT_EQ(Show("<NAME=Threads SIZE=6 char=0>", TAlignment::Right), "000321");
}

TEST_F(TagLanguageTest, OpenerIgnoresCaseButNotBlanks) {
  EXPECT_EQ(Show("<name=threads size=5>", TAlignment::Right), "  321");
  EXPECT_EQ(Show("<NAME = Threads>"), "<NAME = Threads>");
  EXPECT_EQ(Show("< NAME=Threads>"), "< NAME=Threads>");
  EXPECT_EQ(Show("<NAME=Threadsx>"), "321");  // nothing after the name is examined
  EXPECT_EQ(Show("<NAME=Foo>"), "<NAME=Foo>");
}

TEST_F(TagLanguageTest, SizeNeverCuts) {
  EXPECT_EQ(Show("<NAME=ProcUsage DECIMAL SIZE=5>"), "100.00");
  EXPECT_EQ(Show("<NAME=Threads SIZE=2>"), "321");
}

TEST_F(TagLanguageTest, SizeDigitsOnly) {
  EXPECT_EQ(Show("<NAME=Threads SIZE=>"), "321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=x5>"), "321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=-5>"), "321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=05>", TAlignment::Right), "  321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=5x>", TAlignment::Right), "  321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=99999999999>"), "321");  // beyond 32 bits counts as 0
}

TEST_F(TagLanguageTest, HugeSizeIsBounded) {
  const std::string Shown = Show("<NAME=Blank SIZE=2147483647>");
  EXPECT_EQ(Shown.size(), 4096u);
  EXPECT_EQ(Shown.find_first_not_of(' '), std::string::npos);
}

TEST_F(TagLanguageTest, ManyLargeFillsInOneLine) {
  std::string Line;
  for (int I = 0; I < 2000; ++I) Line += "<NAME=Blank SIZE=9999 CHAR=.>|";
  const std::string Shown = Show(Line);
  EXPECT_EQ(Shown.size(), 2000u * (MaxFill + 1));
  EXPECT_EQ(Shown.substr(MaxFill - 1, 3), ".|.");
}

TEST_F(TagLanguageTest, KeywordsCountAnywhereInTheTag) {
  EXPECT_EQ(Show("<NAME=Threads FORMAT=\"size=6\">", TAlignment::Right), "   321");
  // "decimal" inside the FORMAT value switches DECIMAL on.
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"'decimal'\">"), "100.00");
  // The first occurrence counts.
  EXPECT_EQ(Show("<NAME=Threads SIZE=4 SIZE=8>", TAlignment::Right), " 321");
  EXPECT_EQ(Show("<NAME=Threads SIZE=4CHAR=*>", TAlignment::Right), "*321");
}

TEST_F(TagLanguageTest, FormatValueKeepsItsCase) {
  Engine.Data().IPAddr[0][0] = 10;
  Engine.Data().IPAddr[1][0] = 11;
  EXPECT_EQ(Show("<NAME=IPAddr FORMAT=\" And \">"), "10.0.0.0 And 11.0.0.0");
}

TEST_F(TagLanguageTest, UnterminatedFormatRunsToTheEndOfTheTag) {
  Engine.Data().IPAddr[0][0] = 10;
  Engine.Data().IPAddr[1][0] = 11;
  // The value "|>" includes the closing ">".
  EXPECT_EQ(Show("<NAME=IPAddr FORMAT=\"|> tail"), "10.0.0.0|>11.0.0.0 tail");
  Engine.Data().ProcUsage[2] = 55;
  // "2>" is not a whole number: the overall figure.
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"2>"), "100");
}

TEST_F(TagLanguageTest, MarkupAndFreeTextPassThrough) {
  EXPECT_EQ(Show("<B><NAME=Threads></B>"), "<B>321</B>");
  EXPECT_EQ(Show("<C:Red>a < b > c<S>"), "<C:Red>a < b > c<S>");
}

TEST_F(TagLanguageTest, EveryTagOfAnItemWithItsOwnAttributes) {
  EXPECT_EQ(Show("<NAME=Threads SIZE=4>|<NAME=Threads>|<NAME=Processes SIZE=3 CHAR=.>"),
            "321 |321|42.");
  Engine.Data().DateTime = EncodeDateTime(2004, 3, 7, 9, 5, 0);
  EXPECT_EQ(Show("<NAME=DateTime FORMAT=\"hh\"> : <NAME=DateTime FORMAT=\"nn\">"), "09 : 05");
}

TEST_F(TagLanguageTest, InactiveFormatterLeavesItsTags) {
  // Only the thread formatter is decided active; the processor tag is added afterwards,
  // as a web service caller can do.
  Engine.Registry.DecideIfActive("<NAME=Threads>");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=Threads> <NAME=ProcUsage>"), "321 <NAME=ProcUsage>");
}

TEST_F(TagLanguageTest, OpenerWithoutCloseStaysAndLaterTagsStillWork) {
  EXPECT_EQ(Show("<NAME=Threads SIZE=5"), "<NAME=Threads SIZE=5");
  EXPECT_EQ(Show("<NAME=Processes> <NAME=Threads"), "42 <NAME=Threads");
}

TEST_F(TagLanguageTest, ValueHoldingItsOwnOpenerIsNotReadAgain) {
  Engine.Data().DateTime = EncodeDateTime(2004, 3, 7, 9, 5, 0);
  // The tag ends at the first ">": its unterminated FORMAT "'<NAME=DateTime>" prints the
  // opener, which is not read again.
  EXPECT_EQ(Show("<NAME=DateTime FORMAT=\"'<NAME=DateTime>'\">x"), "<NAME=DateTime>'\">x");
  EXPECT_EQ(Show("<NAME=DateTime FORMAT=\"'<NAME=DateTime'\"><NAME=DateTime FORMAT=\"yyyy\">"),
            "<NAME=DateTime2004");
}

TEST_F(TagLanguageTest, UptimePatternWithOpenerTerminates) {
  Engine.Data().Uptime = 60;
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"<NAME=Uptime *M*\">>"), "<NAME=Uptime 01>");
}

}  // namespace
}  // namespace dravel
