#include "monitor/MonitorCore.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "monitor/UptimeRecords.h"
#include "platform/SettingsStore.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

TFormatSettings PlainSettings() { return TFormatSettings{}; }

TEST(MonitorCoreTest, LinkRepliesCarryTheRecordAsItStands) {
  TMonitorCore Core(PlainSettings());
  Core.RawData().Data.Marker = 'W';
  Core.RawData().Data.Threads = 1234;
  std::array<std::uint8_t, RawDataSize> Reply{};
  Core.CopyRecord(Reply);
  EXPECT_EQ(Reply[0], 'W');
  TRawData Copy{};
  LoadRecord(Copy, Reply);
  EXPECT_EQ(Copy.Threads, 1234);
}

TEST(MonitorCoreTest, ServiceEvaluatesWithTheCoresFormatters) {
  TMonitorCore Core(PlainSettings());
  Core.RawData().Data.Threads = 77;
  Core.Formatters().DecideIfActive("<NAME=Threads>");
  EXPECT_EQ(Core.ServiceState().Evaluate("t=<NAME=Threads>"), "t=77");
  EXPECT_EQ(&Core.ServiceState().Shell, &Core.RawData());
}

TEST(MonitorCoreTest, SamplingFillsOnlyTheActiveFamilies) {
  TMonitorCore Core(PlainSettings());
  Core.Formatters().DecideIfActive("<NAME=Threads>");
  Core.SamplePass(true);
  EXPECT_GT(Core.RawData().Data.Threads, 0);
  EXPECT_EQ(Core.RawData().Data.RAMTotal, 0u);  // memory is not shown, so not sampled
}

TEST(MonitorCoreTest, KeepsTheStoredUptimesAndIgnoresUnreadableOnes) {
  testing::TTempFolder Folder;
  TRegistry Store(Folder.Path() / "store.db");
  Store.OpenKey("\\Software\\KelmarSoftware\\Dravel", true);
  TMonitorCore Core(PlainSettings());
  Core.KeepStoredUptimes(Store);
  EXPECT_EQ(Core.StoredUptimes().Longest, 0);
  EXPECT_FALSE(Core.StoredUptimes().Average);

  SaveUptimeAtExit(Store, 100);
  SaveUptimeAtExit(Store, 300);
  Core.KeepStoredUptimes(Store);
  EXPECT_EQ(Core.StoredUptimes().Longest, 300);
  EXPECT_EQ(Core.StoredUptimes().Average, 200);

  // A count of 0 cannot be divided by: the average kept before stays.
  Store.WriteInteger("UptimeCount", 0);
  Store.WriteString("LongestUptime", "text");
  Core.KeepStoredUptimes(Store);
  EXPECT_EQ(Core.StoredUptimes().Longest, 300);
  EXPECT_EQ(Core.StoredUptimes().Average, 200);
}

}  // namespace
}  // namespace dravel
