// Processor, network, uptime, threads and processes.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "formatter/FormatterTestSupport.h"

namespace dravel {
namespace {

class PerformanceItemsTest : public ::testing::Test {
 protected:
  std::string Show(std::string_view Line) { return Engine.Show(Line); }
  testing::TEngine Engine;
  TRawData& Data = Engine.Data();
};

TEST_F(PerformanceItemsTest, ProcessorOverallAndPerProcessor) {
  Data.ProcUsage[0] = 37.4f;
  Data.ProcUsage[2] = 5.2f;
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"ALL\">"), "37");
  EXPECT_EQ(Show("<NAME=ProcUsage DECIMAL FORMAT=\"ALL\">"), "37.40");
  EXPECT_EQ(Show("<NAME=ProcUsage LEADZERO FORMAT=\"2\">"), "05");
  EXPECT_EQ(Show("<NAME=ProcUsage LEADZERO DECIMAL FORMAT=\"2\">"), "05.20");
}

TEST_F(PerformanceItemsTest, EmptyZeroAndAllSelectTheOverallFigure) {
  Data.ProcUsage[0] = 12;
  Data.ProcUsage[1] = 99;
  EXPECT_EQ(Show("<NAME=ProcUsage>"), "12");
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"0\">"), "12");
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"ALL\">"), "12");
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"1\">"), "99");
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"01\">"), "99");
}

TEST_F(PerformanceItemsTest, IndexOutsideTheArrayGivesNoValue) {
  Data.ProcUsage[4] = 44;
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"4\">"), "44");
  EXPECT_EQ(Show("[<NAME=ProcUsage FORMAT=\"5\">]"), "[]");
  EXPECT_EQ(Show("[<NAME=ProcUsage FORMAT=\"-1\">]"), "[]");
  EXPECT_EQ(Show("[<NAME=NetRead FORMAT=\"99999999999999999999\" SIZE=2>]"), "[  ]");
}

TEST_F(PerformanceItemsTest, LeadZeroIsTestedBeforeRounding) {
  Data.ProcUsage[0] = 9.7f;
  EXPECT_EQ(Show("<NAME=ProcUsage LEADZERO>"), "010");
  Data.ProcUsage[0] = 12.3f;
  EXPECT_EQ(Show("<NAME=ProcUsage LEADZERO>"), "12");
}

TEST_F(PerformanceItemsTest, TrayIconCall) {
  Data.ProcUsage[0] = 7.5f;
  std::string Output;
  Engine.Registry.Proc().ProcUsageFunc("", true, Output, false);
  EXPECT_EQ(Output, "08");
}

TEST_F(PerformanceItemsTest, LowerCaseBShowsKilobits) {
  Data.NetRead[0] = 1.5f;
  Data.NetWrite[0] = 2.0f;
  EXPECT_EQ(Show("<NAME=NetRead FORMAT=\"b\">"), "12");
  EXPECT_EQ(Show("<NAME=NetRead FORMAT=\"B\">"), "2");
  EXPECT_EQ(Show("<NAME=NetWrite FORMAT=\"b\" DECIMAL>"), "16.00");
  // The processor item knows no kilobits.
  Data.ProcUsage[0] = 3;
  EXPECT_EQ(Show("<NAME=ProcUsage FORMAT=\"b\">"), "3");
}

TEST_F(PerformanceItemsTest, SumsUseTheThousandsSeparator) {
  Data.NetSumRead[0] = 1234567;
  Data.NetSumWrite[3] = 2500;
  EXPECT_EQ(Show("<NAME=NetSumRead>"), "1,234,567");
  EXPECT_EQ(Show("<NAME=NetSumRead DECIMAL>"), "1,234,567.00");
  EXPECT_EQ(Show("<NAME=NetSumWrite FORMAT=\"3\">"), "2,500");
  Data.NetRead[0] = 2500;
  EXPECT_EQ(Show("<NAME=NetRead>"), "2500");  // rates have no grouping
}

TEST_F(PerformanceItemsTest, UptimePattern) {
  Data.Uptime = 273906;  // 3 days, 4:05:06
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\">"),
            "3 days, 04 hrs, 05 mins, 06 secs");
  EXPECT_EQ(Show("<NAME=Uptime LEADZERO FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\">"),
            " 3 days, 04 hrs, 05 mins, 06 secs");
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"*h*:*m*\">"), "4:5");
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"*h*:*m*\" LEADZERO>"), "04:05");
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"*H* *H*\">"), "04 *H*");
  EXPECT_EQ(Show("<NAME=Uptime FORMAT=\"*s*/*S*/*D*\">"), "6/06/ 3");
  EXPECT_EQ(Show("[<NAME=Uptime>]"), "[]");
}

TEST_F(PerformanceItemsTest, UptimeUnitsAreWhatLargerUnitsLeave) {
  std::string Output;
  TUTPFormat::UpTimeSubFormat("*D*", false, Output, 100 * 86400);
  EXPECT_EQ(Output, "100");
  TUTPFormat::UpTimeSubFormat("*H*h", false, Output, 86400 + 3600);
  EXPECT_EQ(Output, "01h");
  TUTPFormat::UpTimeSubFormat("*d* *h* *m* *s*", false, Output,
                              std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Output, "-106751991167300 -15 -30 -8");
}

TEST_F(PerformanceItemsTest, CountsIgnoreEveryAttribute) {
  Data.Threads = 321;
  Data.Processes = -2;
  EXPECT_EQ(Show("<NAME=Threads FORMAT=\"2\" LEADZERO DECIMAL>"), "321");
  EXPECT_EQ(Show("<NAME=Processes>"), "-2");
}

}  // namespace
}  // namespace dravel
