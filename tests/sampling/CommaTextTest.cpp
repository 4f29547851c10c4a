#include <gtest/gtest.h>

#include "sampling/CommaText.h"

namespace dravel {
namespace {

using TList = std::vector<std::string>;

TEST(CommaTextTest, CommasAndBlankRunsSeparate) {
  EXPECT_EQ(ParseCommaText("foo, bar"), (TList{"foo", "bar"}));
  EXPECT_EQ(ParseCommaText("foo bar\tbaz"), (TList{"foo", "bar", "baz"}));
  EXPECT_EQ(ParseCommaText("  lead"), (TList{"lead"}));
}

TEST(CommaTextTest, EmptyTextGivesNoEntries) {
  EXPECT_TRUE(ParseCommaText("").empty());
  EXPECT_TRUE(ParseCommaText("   ").empty());
}

TEST(CommaTextTest, CommasWithoutTextGiveEmptyEntries) {
  EXPECT_EQ(ParseCommaText("a,,b"), (TList{"a", "", "b"}));
  EXPECT_EQ(ParseCommaText(",a"), (TList{"", "a"}));
  EXPECT_EQ(ParseCommaText("a,"), (TList{"a", ""}));
  EXPECT_EQ(ParseCommaText("a, "), (TList{"a"}));
}

TEST(CommaTextTest, QuotedEntriesKeepBlanksCommasAndDoubledQuotes) {
  EXPECT_EQ(ParseCommaText("\"my app, v2\",x"), (TList{"my app, v2", "x"}));
  EXPECT_EQ(ParseCommaText("\"say \"\"hi\"\"\""), (TList{"say \"hi\""}));
  EXPECT_EQ(ParseCommaText("\"open"), (TList{"open"}));
  EXPECT_EQ(ParseCommaText("\"a\"b"), (TList{"a", "b"}));
}

TEST(CommaTextTest, ControlCharactersCountAsBlanksAndHighCharactersDoNot) {
  EXPECT_EQ(ParseCommaText("a\x01\x1f"
                           "b"),
            (TList{"a", "b"}));
  EXPECT_EQ(ParseCommaText("caf\xe9 x"), (TList{"caf\xe9", "x"}));
}

TEST(CommaTextTest, TextEndsAtANulCharacter) {
  EXPECT_EQ(ParseCommaText(std::string_view("a\0b", 3)), (TList{"a"}));
}

TEST(TrimBlanksTest, ControlCharactersAndSpacesGoFromBothEndsOnly) {
  EXPECT_EQ(TrimBlanks(" \t\x01" "a b\r\n"), "a b");
  EXPECT_EQ(TrimBlanks("\xa0x\xa0"), "\xa0x\xa0");  // a no-break space is not a blank
  EXPECT_EQ(TrimBlanks(" \x1f "), "");
}

}  // namespace
}  // namespace dravel
