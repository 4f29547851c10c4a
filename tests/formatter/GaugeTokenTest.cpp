// The gauge token: how it is written and read back, what is no token, and the share of
// the scale a value fills.
#include <gtest/gtest.h>

#include <limits>

#include "formatter/GaugeToken.h"

namespace dravel {
namespace {

// The text between the brackets of a written token.
std::string Inner(const TGaugeToken& Token) {
  const std::string Text = WriteGaugeToken(Token);
  return Text.substr(1, Text.size() - 2);
}

TEST(GaugeTokenTest, WrittenInPlainAsciiAndReadBack) {
  // A single-precision figure is written in its short form, and reads back as that number.
  const TGaugeToken Bar{TGaugeKind::Bar, {37.4f}, 100.0, 10};
  EXPECT_EQ(WriteGaugeToken(Bar), "<~B:37.4:100:10>");
  EXPECT_EQ(ReadGaugeToken(Inner(Bar)), (TGaugeToken{TGaugeKind::Bar, {37.4}, 100.0, 10}));
  const TGaugeToken Graph{TGaugeKind::Graph, {0, 1e+20, -3.5, 1e-300, 114.8}, std::nullopt, 5};
  EXPECT_EQ(WriteGaugeToken(Graph), "<~G:0,1e+20,-3.5,1e-300,114.8:*:5>");
  EXPECT_EQ(ReadGaugeToken(Inner(Graph)), Graph);
  for (const char C : WriteGaugeToken(Graph)) EXPECT_TRUE(C > 0x20 && C < 0x7F);
}

TEST(GaugeTokenTest, ReadInEitherLetterCase) {
  // The markup parser upper-cases a tag before it reads it.
  const auto Upper = ReadGaugeToken("~G:1E+20,2:*:4");
  ASSERT_TRUE(Upper);
  EXPECT_EQ(Upper->Kind, TGaugeKind::Graph);
  EXPECT_EQ(Upper->Values, (std::vector<double>{1e20, 2}));
  EXPECT_EQ(ReadGaugeToken("~b:1:2:3"), (TGaugeToken{TGaugeKind::Bar, {1}, 2.0, 3}));
}

TEST(GaugeTokenTest, FiguresThatAreNoNumbersAreWrittenAsZero) {
  const TGaugeToken Token{TGaugeKind::Bar, {std::numeric_limits<double>::quiet_NaN()},
                          std::numeric_limits<double>::infinity(), 2};
  EXPECT_EQ(WriteGaugeToken(Token), "<~B:0:0:2>");
}

TEST(GaugeTokenTest, AnythingElseIsNoToken) {
  for (const char* Tag :
       {"", "~", "~B", "~B:", "~B:1:*", "~B:1:*:", "~B:1::5", "~B::*:5", "~B:1:*:0", "~B:1:*:513",
        "~B:1:*:0512", "~B:1:*:+5", "~B:1:*:5:", "~B:1:*:5x", "~B:1,2:*:5", "~G:1,2,3:*:2",
        "~G:1,:*:5", "~G:,1:*:5", "~G:1,,2:*:5", "~X:1:*:5", "~B;1:*:5", "B:1:*:5", " ~B:1:*:5",
        "<~B:1:*:5", "~B:nan:*:5", "~B:inf:*:5", "~B:1:inf:5", "~B:+1:*:5", "~B: 1:*:5",
        "~B:1:**:5", "~B:1:1e999:5", "~B:0x10:*:5"}) {
    EXPECT_FALSE(ReadGaugeToken(Tag)) << '"' << Tag << '"';
  }
  EXPECT_TRUE(ReadGaugeToken("~B:1:*:512"));
  EXPECT_TRUE(ReadGaugeToken("~G:1,2:-4:2"));  // a top below 0 only draws nothing
}

TEST(GaugeTokenTest, TheTopIsGivenOrTheLargestValue) {
  EXPECT_EQ(GaugeTop({TGaugeKind::Graph, {3, 9, 4}, std::nullopt, 3}), 9);
  EXPECT_EQ(GaugeTop({TGaugeKind::Graph, {3, 9, 4}, 5.0, 3}), 5);
  EXPECT_EQ(GaugeTop({TGaugeKind::Bar, {-2}, std::nullopt, 3}), -2);
}

TEST(GaugeTokenTest, ShareIsBoundedByTheScale) {
  EXPECT_DOUBLE_EQ(GaugeShare(37.4, 100), 0.374);
  EXPECT_EQ(GaugeShare(150, 100), 1);
  EXPECT_EQ(GaugeShare(-5, 100), 0);
  EXPECT_EQ(GaugeShare(5, 0), 0);
  EXPECT_EQ(GaugeShare(5, -1), 0);
  EXPECT_EQ(GaugeShare(std::numeric_limits<double>::quiet_NaN(), 100), 0);
}

}  // namespace
}  // namespace dravel
