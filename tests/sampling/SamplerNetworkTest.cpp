#include <gtest/gtest.h>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

constexpr std::uint64_t GiB = 1ull << 30;

struct TAdapter {
  std::u16string Name;
  std::uint64_t Received = 0;
  std::uint64_t Sent = 0;
};

class NetworkBlockTest : public ::testing::Test {
 protected:
  // One pass over adapters named eth0, eth1, ... given as (received, sent) byte counters.
  void PassWith(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& Adapters,
                std::uint32_t CounterSize = 8) {
    std::vector<TAdapter> Named;
    for (std::size_t I = 0; I < Adapters.size(); ++I) {
      Named.push_back({u"eth" + std::u16string(1, static_cast<char16_t>(u'0' + I)),
                       Adapters[I].first, Adapters[I].second});
    }
    PassWithNamed(Named, CounterSize);
  }
  void PassWithNamed(const std::vector<TAdapter>& Adapters, std::uint32_t CounterSize = 8) {
    std::vector<TPerfInstanceDesc> Instances;
    for (const TAdapter& Adapter : Adapters) {
      Instances.push_back({Adapter.Name, {Adapter.Received, Adapter.Sent}});
    }
    Rig.PerfData.Serve("638", InstanceBlock(638,
                                            {{264, CounterSize, PerfCounterType::BulkCount},
                                             {506, CounterSize, PerfCounterType::BulkCount}},
                                            Instances));
    Rig.Pass(Only(&TActiveFamilies::Network));
  }
  const TRawData& Data() const { return Rig.Shell.Data; }

  TSamplerRig Rig;
};

TEST_F(NetworkBlockTest, RatesAreByteDifferencesOverTheConfiguredInterval) {
  PassWith({{1024, 2048}});
  PassWith({{1024 + 102400, 2048 + 51200}});
  EXPECT_FLOAT_EQ(Data().NetRead[1], 100.0f);
  EXPECT_FLOAT_EQ(Data().NetWrite[1], 50.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 100.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[1], 101.0f);
  EXPECT_FLOAT_EQ(Data().NetSumWrite[0], 52.0f);
}

TEST_F(NetworkBlockTest, HalvingTheIntervalDoublesTheFactor) {
  PassWith({{0, 0}});
  PassWith({{102400, 0}});
  const float AtOneSecond = Data().NetRead[1];
  Rig.Sampler.SetInterval(500);
  PassWith({{204800, 0}});
  EXPECT_FLOAT_EQ(Data().NetRead[1], 2 * AtOneSecond);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 200.0f);
}

TEST_F(NetworkBlockTest, FifthAdapterIsNotShownButCountsInTheTotals) {
  PassWith({{1024, 0}, {2048, 0}, {3072, 0}, {4096, 0}, {1 << 20, 1 << 20}});
  PassWith({{1024, 0}, {2048, 0}, {3072, 0}, {4096, 0}, {(1 << 20) + 10240, 1 << 20}});
  EXPECT_FLOAT_EQ(Data().NetSumRead[4], 4.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[0], 10.0f + 1024 + 10);
  EXPECT_FLOAT_EQ(Data().NetSumWrite[0], 1024.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[4], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 10.0f);
}

TEST_F(NetworkBlockTest, ThirtyTwoBitCounterThatWrapsGivesTheRightDifference) {
  PassWith({{0xFFFFFC00u, 0}}, 4);
  PassWith({{0x400u, 0}}, 4);
  EXPECT_FLOAT_EQ(Data().NetRead[1], 2.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 2.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[0], 1.0f);
}

TEST_F(NetworkBlockTest, SixtyFourBitCountersDoNotWrapAtFourGiB) {
  PassWith({{5 * GiB, 6 * GiB}});
  PassWith({{5 * GiB + 1024, 6 * GiB}});
  EXPECT_FLOAT_EQ(Data().NetSumRead[1], 5.0f * 1024 * 1024);
  EXPECT_FLOAT_EQ(Data().NetSumWrite[0], 6.0f * 1024 * 1024);
  EXPECT_FLOAT_EQ(Data().NetRead[1], 1.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 1.0f);
}

TEST_F(NetworkBlockTest, CounterGoingBackwardsGivesNothingForThatPass) {
  for (const std::uint32_t Size : {4u, 8u}) {
    PassWith({{4096, 8192}, {0, 0}}, Size);
    PassWith({{0, 8192}, {10240, 0}}, Size);  // eth0 reset; eth1 moved on by 10 KB
    EXPECT_FLOAT_EQ(Data().NetRead[1], 0.0f) << Size;
    EXPECT_FLOAT_EQ(Data().NetRead[2], 10.0f) << Size;
    EXPECT_FLOAT_EQ(Data().NetRead[0], 10.0f) << Size;
    EXPECT_FLOAT_EQ(Data().NetWrite[2], 0.0f) << Size;
    EXPECT_FLOAT_EQ(Data().NetSumRead[0], 10.0f) << Size;  // the sums follow the counters
    PassWith({{1024, 8192}, {10240, 0}}, Size);
    EXPECT_FLOAT_EQ(Data().NetRead[1], 1.0f) << Size;
  }
}

TEST_F(NetworkBlockTest, FirstPassOfAnAdapterGivesNoRateYet) {
  PassWith({{1u << 30, 1u << 29}});
  EXPECT_FLOAT_EQ(Data().NetRead[1], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetWrite[0], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[1], 1024.0f * 1024);
}

TEST_F(NetworkBlockTest, AdapterAppearingAndVanishingBetweenPasses) {
  PassWithNamed({{u"eth0", 1000, 1000}, {u"wlan0", 5u << 20, 1u << 20}});
  // wlan0 goes (its slot is taken by the next adapter); tun0 comes with counters of its own.
  PassWithNamed({{u"eth0", 1000 + 2048, 1000}, {u"tun0", 7u << 20, 3u << 20}});
  EXPECT_FLOAT_EQ(Data().NetRead[1], 2.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[2], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetWrite[2], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 2.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[2], 7.0f * 1024);
  // wlan0 comes back after tun0 with its old counter: again nothing for one pass.
  PassWithNamed({{u"eth0", 1000 + 2048, 1000},
                 {u"tun0", (7u << 20) + 1024, 3u << 20},
                 {u"wlan0", 5u << 20, 1u << 20}});
  EXPECT_FLOAT_EQ(Data().NetRead[2], 1.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[3], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[0], 1.0f);
  // Every adapter gone: the slots and totals show nothing, not the last figures.
  PassWithNamed({});
  EXPECT_FLOAT_EQ(Data().NetSumRead[1], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[0], 0.0f);
  EXPECT_FLOAT_EQ(Data().NetRead[2], 0.0f);
}

TEST_F(NetworkBlockTest, ChosenAdaptersTakeTheirSlotsInOrder) {
  Rig.Sampler.SetAdapters({"wlan0", "", "gone0"});
  EXPECT_EQ(Rig.PerfData.ChosenAdapters, (std::vector<std::string>{"wlan0", "", "gone0"}));
  const std::vector<TAdapter> First{{u"eth0", 0, 0}, {u"veth0", 0, 0}, {u"wlan0", 0, 0}};
  PassWithNamed(First);
  PassWithNamed({{u"eth0", 1024, 0}, {u"veth0", 2048, 0}, {u"wlan0", 3072, 0}});
  EXPECT_FLOAT_EQ(Data().NetRead[1], 3.0f);  // wlan0, as chosen
  EXPECT_FLOAT_EQ(Data().NetRead[2], 1.0f);  // no choice: the first adapter not chosen
  EXPECT_FLOAT_EQ(Data().NetRead[3], 0.0f);  // gone0 is absent and keeps its slot empty
  EXPECT_FLOAT_EQ(Data().NetRead[4], 2.0f);  // the next adapter not chosen
  EXPECT_FLOAT_EQ(Data().NetRead[0], 6.0f);
}

TEST_F(NetworkBlockTest, MissingCounterLeavesItsFieldsUnchanged) {
  Rig.Shell.Data.NetWrite[1] = 7.0f;
  Rig.PerfData.Serve(
      "638", InstanceBlock(638, {{264, 8, PerfCounterType::BulkCount}}, {{u"eth0", {2048}}}));
  Rig.Pass(Only(&TActiveFamilies::Network));
  EXPECT_EQ(Data().NetWrite[1], 7.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[1], 2.0f);
}

}  // namespace
}  // namespace dravel::test
