#include <gtest/gtest.h>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

constexpr std::uint64_t GiB = 1ull << 30;

class NetworkBlockTest : public ::testing::Test {
 protected:
  // One pass over adapters given as (received, sent) byte counters.
  void PassWith(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& Adapters,
                std::uint32_t CounterSize = 8) {
    std::vector<TPerfInstanceDesc> Instances;
    for (std::size_t I = 0; I < Adapters.size(); ++I) {
      Instances.push_back({u"eth" + std::u16string(1, static_cast<char16_t>(u'0' + I)),
                           {Adapters[I].first, Adapters[I].second}});
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

TEST_F(NetworkBlockTest, FifthAdapterIsNeitherShownNorCounted) {
  PassWith({{1024, 0}, {2048, 0}, {3072, 0}, {4096, 0}, {1 << 20, 1 << 20}});
  EXPECT_FLOAT_EQ(Data().NetSumRead[4], 4.0f);
  EXPECT_FLOAT_EQ(Data().NetSumRead[0], 10.0f);
  EXPECT_FLOAT_EQ(Data().NetSumWrite[0], 0.0f);
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

TEST_F(NetworkBlockTest, CounterGoingBackwardsGivesOneLargeRate) {
  PassWith({{4096, 0}}, 4);
  PassWith({{0, 0}}, 4);
  EXPECT_FLOAT_EQ(Data().NetRead[1], (4294967296.0f - 4096.0f) / 1024.0f);
  PassWith({{1024, 0}}, 4);
  EXPECT_FLOAT_EQ(Data().NetRead[1], 1.0f);
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
