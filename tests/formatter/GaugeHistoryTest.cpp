// The history of a line's bars and graphs from refresh to refresh.
#include <gtest/gtest.h>

#include "formatter/GaugeHistory.h"

namespace dravel {
namespace {

TEST(GaugeHistoryTest, AGraphKeepsItsLastNValuesOldestFirst) {
  TGaugeHistory History;
  const std::string Refreshes[] = {"<~G:10:100:3>", "<~G:20:100:3>", "<~G:30:100:3>",
                                   "<~G:40:100:3>"};
  EXPECT_EQ(History.Advance("cpu " + Refreshes[0] + " %"), "cpu <~G:10:100:3> %");
  EXPECT_EQ(History.Advance("cpu " + Refreshes[1] + " %"), "cpu <~G:10,20:100:3> %");
  EXPECT_EQ(History.Advance("cpu " + Refreshes[2] + " %"), "cpu <~G:10,20,30:100:3> %");
  EXPECT_EQ(History.Advance("cpu " + Refreshes[3] + " %"), "cpu <~G:20,30,40:100:3> %");
}

TEST(GaugeHistoryTest, AGraphWhoseScaleFollowsItsValuesTopsAtTheLargestItHolds) {
  TGaugeHistory History;
  EXPECT_EQ(History.Advance("<~G:5:*:2>"), "<~G:5:5:2>");
  EXPECT_EQ(History.Advance("<~G:80:*:2>"), "<~G:5,80:80:2>");
  EXPECT_EQ(History.Advance("<~G:7:*:2>"), "<~G:80,7:80:2>");
  EXPECT_EQ(History.Advance("<~G:6:*:2>"), "<~G:7,6:7:2>");  // 80 has left the graph
  EXPECT_EQ(History.Advance("<~G:-3:*:2>"), "<~G:6,-3:6:2>");
  EXPECT_EQ(History.Advance("<~G:-4:*:2>"), "<~G:-3,-4:0:2>");  // nothing above 0
}

TEST(GaugeHistoryTest, ABarWhoseScaleFollowsItsValueTopsAtTheLargestSinceItBegan) {
  TGaugeHistory History;
  EXPECT_EQ(History.Advance("<~B:40:*:8>"), "<~B:40:40:8>");
  EXPECT_EQ(History.Advance("<~B:90:*:8>"), "<~B:90:90:8>");
  EXPECT_EQ(History.Advance("<~B:10:*:8>"), "<~B:10:90:8>");
  EXPECT_EQ(History.Advance("<~B:10:100:8>"), "<~B:10:100:8>");  // a given top stays
  History.Restart();
  EXPECT_EQ(History.Advance("<~B:10:*:8>"), "<~B:10:10:8>");
}

TEST(GaugeHistoryTest, EachPositionInTheLineHasItsOwnHistory) {
  TGaugeHistory History;
  History.Advance("<~G:1:*:4> <~G:100:*:4> <~B:5:*:2>");
  EXPECT_EQ(History.Advance("<~G:2:*:4> <~G:200:*:4> <~B:1:*:2>"),
            "<~G:1,2:2:4> <~G:100,200:200:4> <~B:1:5:2>");
}

TEST(GaugeHistoryTest, APositionThatChangesKindOrWidthStartsAfresh) {
  TGaugeHistory History;
  History.Advance("<~G:1:*:4><~G:1:*:4>");
  History.Advance("<~G:2:*:4><~G:2:*:4>");
  EXPECT_EQ(History.Advance("<~G:3:*:5><~G:3:*:4>"), "<~G:3:3:5><~G:1,2,3:3:4>");
  EXPECT_EQ(History.Advance("<~B:4:*:5><~G:4:*:4>"), "<~B:4:4:5><~G:1,2,3,4:4:4>");
  // A position the line no longer holds is forgotten.
  History.Advance("<~B:4:*:5>");
  EXPECT_EQ(History.Advance("<~B:4:*:5><~G:5:*:4>"), "<~B:4:4:5><~G:5:5:4>");
}

TEST(GaugeHistoryTest, RestartForgetsEverything) {
  TGaugeHistory History;
  History.Advance("<~G:1:*:4>");
  History.Advance("<~G:2:*:4>");
  History.Restart();
  EXPECT_EQ(History.Advance("<~G:3:*:4>"), "<~G:3:3:4>");
}

TEST(GaugeHistoryTest, OnlyTokensAsTheMarkupReadsThemCount) {
  TGaugeHistory History;
  const std::string NoTokens[] = {
      "plain text", "<B>bold</B> <C:Red>", "<B <~G:1:*:4>",  // inside another tag
      "<<~G:1:*:4>",                                         // a tag beginning with "<"
      "<~G:1:*:0>", "~G:1:*:4>"};
  for (const std::string& Line : NoTokens) EXPECT_EQ(History.Advance(Line), Line);
  // A tag left open at the end is still read, as the markup reads it.
  EXPECT_EQ(TGaugeHistory().Advance("open <~G:1:*:4"), "open <~G:1:1:4>");
  // Text around tokens comes back as it was given.
  EXPECT_EQ(TGaugeHistory().Advance("a<~g:1:*:4>b<<>c<~B:2:3:1>"), "a<~G:1:1:4>b<<>c<~B:2:3:1>");
}

TEST(GaugeHistoryTest, AResolvedTokenGivenAgainAddsItsNewestValue) {
  TGaugeHistory History;
  History.Advance("<~G:1:*:3>");
  EXPECT_EQ(History.Advance("<~G:7,8,9:*:3>"), "<~G:1,9:9:3>");
}

}  // namespace
}  // namespace dravel
