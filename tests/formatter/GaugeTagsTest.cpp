// BAR=, GRAPH= and MAX= on the tags of numeric items: the gauge token each tag becomes, the
// scale it carries, and the keyword rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

class GaugeTagsTest : public ::testing::Test {
 protected:
  GaugeTagsTest() {
    TRawData& D = Engine.Data();
    D.ProcUsage[0] = 37.4f;
    D.ProcUsage[2] = 5.2f;
    D.NetRead[0] = 1.5f;
    D.NetWrite[1] = 87.25f;
    D.NetSumRead[0] = 1234567.0f;
    D.NetSumWrite[0] = 2048.0f;
    D.Threads = 321;
    D.Processes = 42;
    D.Temp[0] = 46;
    D.Fan[1] = 255;
    D.Fan[2] = 4500;
    WriteMemory(D, TMemoryField::PageTotal, 8ull << 30);
    WriteMemory(D, TMemoryField::PageFree, 6ull << 30);
    WriteMemory(D, TMemoryField::RAMTotal, 512ull << 20);
    WriteMemory(D, TMemoryField::RAMFree, 128ull << 20);
    D.Uptime = 273906;
  }
  std::string Show(std::string_view Line, TAlignment Alignment = TAlignment::Left) {
    return Engine.Show(Line, Alignment);
  }
  testing::TEngine Engine;
};

TEST_F(GaugeTagsTest, ProcessorUsageRunsFromZeroToAHundred) {
  EXPECT_EQ(Show("CPU <NAME=ProcUsage BAR=10 FORMAT=\"ALL\">%"), "CPU <~B:37.4:100:10>%");
  EXPECT_EQ(Show("<NAME=ProcUsage GRAPH=20 FORMAT=\"2\" LEADZERO DECIMAL>"),
            "<~G:5.2:100:20>");
  // An element that does not exist has no figure: an empty gauge.
  EXPECT_EQ(Show("<NAME=ProcUsage BAR=4 FORMAT=\"7\">"), "<~B:0:100:4>");
}

TEST_F(GaugeTagsTest, RatesSumsAndCountsFollowTheirValues) {
  EXPECT_EQ(Show("<NAME=NetRead GRAPH=20>"), "<~G:1.5:*:20>");
  EXPECT_EQ(Show("<NAME=NetRead GRAPH=20 FORMAT=\"b\">"), "<~G:12:*:20>");  // kilobits
  EXPECT_EQ(Show("<NAME=NetWrite BAR=5 FORMAT=\"1\">"), "<~B:87.25:*:5>");
  EXPECT_EQ(Show("<NAME=NetSumRead BAR=5>"), "<~B:1234567:*:5>");
  EXPECT_EQ(Show("<NAME=NetSumWrite GRAPH=3>"), "<~G:2048:*:3>");
  EXPECT_EQ(Show("<NAME=Threads BAR=8><NAME=Processes GRAPH=8>"), "<~B:321:*:8><~G:42:*:8>");
}

TEST_F(GaugeTagsTest, SensorsFollowTheirValues) {
  EXPECT_EQ(Show("<NAME=Temp1 BAR=6>"), "<~B:46:*:6>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=6 FORMAT=\"F\">"), "<~B:114.8:*:6>");
  EXPECT_EQ(Show("<NAME=Fan2 GRAPH=6>"), "<~G:0:*:6>");  // no reading
  EXPECT_EQ(Show("<NAME=Fan3 GRAPH=6>"), "<~G:4500:*:6>");
}

TEST_F(GaugeTagsTest, MemoryRunsToItsTotalOrToAHundredAsAPercentage) {
  EXPECT_EQ(Show("<NAME=RAMUsed BAR=10>"), "<~B:384:512:10>");
  EXPECT_EQ(Show("<NAME=RAMFree BAR=10>"), "<~B:128:512:10>");
  EXPECT_EQ(Show("<NAME=RAMUsed BAR=10 FORMAT=\"%\">"), "<~B:75:100:10>");
  EXPECT_EQ(Show("<NAME=RAMFree GRAPH=10 FORMAT=\"%\">"), "<~G:25:100:10>");
  EXPECT_EQ(Show("<NAME=PageUsed BAR=4>"), "<~B:2048:8192:4>");
  EXPECT_EQ(Show("<NAME=PageFree BAR=4 FORMAT=\"%\">"), "<~B:75:100:4>");
  // A total is a figure of its own: its scale follows it.
  EXPECT_EQ(Show("<NAME=RAMTotal BAR=4>"), "<~B:512:*:4>");
  EXPECT_EQ(Show("<NAME=PageTotal GRAPH=4>"), "<~G:8192:*:4>");
  // Without a total (a server that gathers no memory), nothing can be drawn.
  WriteMemory(Engine.Data(), TMemoryField::RAMTotal, 0);
  WriteMemory(Engine.Data(), TMemoryField::RAMFree, 0);
  EXPECT_EQ(Show("<NAME=RAMUsed BAR=4 FORMAT=\"%\">"), "<~B:0:100:4>");
  EXPECT_EQ(Show("<NAME=RAMUsed BAR=4>"), "<~B:0:0:4>");
}

TEST_F(GaugeTagsTest, DriveSpaceRunsToTheDrivesTotalOnceMeasured) {
  const std::string Line = "C: <NAME=DriveSpace BAR=10 FORMAT=\"C FREE\">";
  Engine.Registry.DecideIfActive(Line);
  // The first evaluation claims the slot, as the number's tag does, and has no figure yet.
  EXPECT_EQ(Engine.Registry.Evaluate(Line), "C: <~B:0:0:10>");
  EXPECT_EQ(Engine.Data().Drives[0].Letter, 'C');
  Engine.Data().Drives[0].FreeMB = 12345;
  Engine.Data().Drives[0].TotalMB = 50000;
  EXPECT_EQ(Engine.Registry.Evaluate(Line), "C: <~B:12345:50000:10>");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace GRAPH=2 FORMAT=\"c total\">"),
            "<~G:50000:50000:2>");
  // Neither FREE nor TOTAL: the drive is measured, but there is no figure to draw.
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace BAR=3 FORMAT=\"C\">"), "<~B:0:50000:3>");
  EXPECT_EQ(Engine.Registry.Evaluate("<NAME=DriveSpace BAR=3>"), "<~B:0:0:3>");
}

TEST_F(GaugeTagsTest, MaxSetsTheTopOfAnyScale) {
  EXPECT_EQ(Show("<NAME=NetRead GRAPH=20 MAX=1000>"), "<~G:1.5:1000:20>");
  EXPECT_EQ(Show("<NAME=ProcUsage BAR=10 MAX=50>"), "<~B:37.4:50:10>");
  EXPECT_EQ(Show("<NAME=RAMUsed BAR=10 MAX=1024>"), "<~B:384:1024:10>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 MAX=87.5>"), "<~B:46:87.5:10>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 MAX=.5>"), "<~B:46:0.5:10>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 MAX=90.>"), "<~B:46:90:10>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 MAX=2.5x>"), "<~B:46:2.5:10>");  // up to the first other
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 MAX=1.5.3>"), "<~B:46:1.5:10>");
  EXPECT_EQ(Show("<NAME=Temp1 BAR=10 max=70>"), "<~B:46:70:10>");
}

TEST_F(GaugeTagsTest, AMaxThatIsNoPositiveNumberIsAbsent) {
  for (const char* Max : {"MAX=", "MAX=x", "MAX=0", "MAX=0.0", "MAX=-5", "MAX=.", "MAX=+5",
                          "MAX= 5"}) {
    EXPECT_EQ(Show(std::string("<NAME=NetRead BAR=4 ") + Max + ">"), "<~B:1.5:*:4>") << Max;
  }
  // No exponent: "1", then another character.
  EXPECT_EQ(Show("<NAME=NetRead BAR=4 MAX=1e3>"), "<~B:1.5:1:4>");
  // The first MAX= counts, even when it holds no number.
  EXPECT_EQ(Show("<NAME=NetRead BAR=4 MAX= MAX=9>"), "<~B:1.5:*:4>");
}

TEST_F(GaugeTagsTest, ACellCountThatIsNoPositiveWholeNumberLeavesTheNumber) {
  EXPECT_EQ(Show("<NAME=Threads BAR=0>"), "321");
  EXPECT_EQ(Show("<NAME=Threads BAR=x>"), "321");
  EXPECT_EQ(Show("<NAME=Threads BAR=>"), "321");
  EXPECT_EQ(Show("<NAME=Threads BAR=-3>"), "321");
  EXPECT_EQ(Show("<NAME=Threads GRAPH=000>"), "321");
  EXPECT_EQ(Show("<NAME=Threads BAR= 5>"), "321");
  EXPECT_EQ(Show("<NAME=Threads BAR=5x>"), "<~B:321:*:5>");  // the digits up to another
  EXPECT_EQ(Show("<NAME=Threads GRAPH=007>"), "<~G:321:*:7>");
}

TEST_F(GaugeTagsTest, CellCountsAreBounded) {
  EXPECT_EQ(Show("<NAME=Threads BAR=99999>"), "<~B:321:*:512>");
  EXPECT_EQ(Show("<NAME=Threads GRAPH=512>"), "<~G:321:*:512>");
  EXPECT_EQ(Show("<NAME=Threads GRAPH=513>"), "<~G:321:*:512>");
  EXPECT_EQ(Show("<NAME=Threads GRAPH=99999999999999999999999>"), "<~G:321:*:512>");
}

TEST_F(GaugeTagsTest, KeywordsAreFoundAsTheOthersAre) {
  EXPECT_EQ(Show("<name=threads bar=3>"), "<~B:321:*:3>");
  EXPECT_EQ(Show("<NAME=Threads Graph=3>"), "<~G:321:*:3>");
  // Inside the FORMAT value, and inside a longer word.
  EXPECT_EQ(Show("<NAME=Threads FORMAT=\"graph=4\">"), "<~G:321:*:4>");
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"2 bar=6 max=10\">"), "<~B:37.4:10:6>");
  EXPECT_EQ(Show("<NAME=Threads SIDEBAR=2>"), "<~B:321:*:2>");
  // The first occurrence of a keyword counts.
  EXPECT_EQ(Show("<NAME=Threads BAR=2 BAR=9>"), "<~B:321:*:2>");
  EXPECT_EQ(Show("<NAME=Threads BAR=0 BAR=9>"), "321");
  // Both kinds: the one standing first; one without a number leaves the other.
  EXPECT_EQ(Show("<NAME=Threads GRAPH=3 BAR=5>"), "<~G:321:*:3>");
  EXPECT_EQ(Show("<NAME=Threads BAR=5 GRAPH=3>"), "<~B:321:*:5>");
  EXPECT_EQ(Show("<NAME=Threads BAR=x GRAPH=3>"), "<~G:321:*:3>");
  // MAX alone draws nothing.
  EXPECT_EQ(Show("<NAME=Threads MAX=500>"), "321");
}

TEST_F(GaugeTagsTest, ItemsWithoutANumberIgnoreTheKeywords) {
  for (const char* Tag :
       {"<NAME=Uptime FORMAT=\"*d* days, *H* hrs\"%s>", "<NAME=DateTime FORMAT=\"hh:nn\"%s>",
        "<NAME=IPAddr%s>", "<NAME=CompName%s>", "<NAME=UserName%s>", "<NAME=Blank SIZE=3%s>"}) {
    const std::string Template(Tag);
    const std::size_t At = Template.find("%s");
    const std::string Plain = Template.substr(0, At) + Template.substr(At + 2);
    const std::string Asked = Template.substr(0, At) + " BAR=5 GRAPH=4 MAX=9" + Template.substr(At + 2);
    EXPECT_EQ(Show(Asked), Show(Plain)) << Asked;
    EXPECT_EQ(Show(Asked).find("<~"), std::string::npos) << Asked;
  }
}

TEST_F(GaugeTagsTest, SizeCountsTheCellsAGaugeTakes) {
  EXPECT_EQ(Show("<NAME=Threads BAR=4 SIZE=6>", TAlignment::Right), "  <~B:321:*:4>");
  EXPECT_EQ(Show("<NAME=Threads BAR=4 SIZE=6 CHAR=.>"), "<~B:321:*:4>..");
  EXPECT_EQ(Show("<NAME=Threads BAR=4 SIZE=3>"), "<~B:321:*:4>");
}

TEST_F(GaugeTagsTest, TokensPassTheLaterFormattersAndTheMarkupUntouched) {
  const std::string Line =
      "<B><C:Red><NAME=Temp1 BAR=3></C> <NAME=Threads GRAPH=2> <NAME=RAMUsed BAR=2 "
      "FORMAT=\"%\"> <NAME=ProcUsage GRAPH=2> <NAME=NetRead BAR=2> <NAME=Blank SIZE=2 CHAR=->"
      "</B>";
  EXPECT_EQ(Show(Line),
            "<B><C:Red><~B:46:*:3></C> <~G:321:*:2> <~B:75:100:2> <~G:37.4:100:2> "
            "<~B:1.5:*:2> --</B>");
}

TEST_F(GaugeTagsTest, FiguresThatAreNoNumbersDrawAsZero) {
  Engine.Data().ProcUsage[0] = std::numeric_limits<float>::quiet_NaN();
  Engine.Data().NetRead[0] = std::numeric_limits<float>::infinity();
  EXPECT_EQ(Show("<NAME=ProcUsage BAR=2>"), "<~B:0:100:2>");
  EXPECT_EQ(Show("<NAME=NetRead BAR=2>"), "<~B:0:*:2>");
}

TEST_F(GaugeTagsTest, TheWebServicesEvaluationGivesTheSameTokens) {
  // GetFormattedItem evaluates a caller's whole text, lines and all.
  Engine.Registry.DecideIfActive("<NAME=ProcUsage>");
  EXPECT_EQ(Engine.Registry.Evaluate("a <NAME=ProcUsage BAR=10>\r\nb <NAME=ProcUsage GRAPH=2>"),
            "a <~B:37.4:100:10>\r\nb <~G:37.4:100:2>");
}

}  // namespace
}  // namespace dravel
