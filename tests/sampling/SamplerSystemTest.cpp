#include <gtest/gtest.h>

#include "SamplerTestSupport.h"

namespace dravel::test {
namespace {

constexpr std::int64_t Freq = 10'000'000;

TPerfObjectDesc SystemObject(std::vector<TPerfCounterDesc> Counters,
                             std::vector<std::uint64_t> Values,
                             std::int64_t PerfTime = 5000 * Freq) {
  TPerfObjectDesc Object;
  Object.NameIndex = 2;
  Object.PerfTime = PerfTime;
  Object.PerfFreq = Freq;
  Object.WithInstances = false;
  Object.Counters = std::move(Counters);
  Object.Values = std::move(Values);
  return Object;
}

const std::vector<TPerfCounterDesc> Standard{{674, 8, PerfCounterType::ElapsedTime},
                                             {248, 4, PerfCounterType::RawCount},
                                             {250, 4, PerfCounterType::RawCount}};

class SystemBlockTest : public ::testing::Test {
 protected:
  void PassWith(std::vector<TPerfObjectDesc> Objects) {
    TPerfBlockDesc Block;
    Block.Objects = std::move(Objects);
    Rig.PerfData.Serve("2", Block);
    Rig.Pass(Only(&TActiveFamilies::UTP));
  }
  TSamplerRig Rig;
};

TEST_F(SystemBlockTest, UptimeProcessesAndThreads) {
  PassWith({SystemObject(Standard, {1000 * Freq - Freq / 2, 123, 4567})});
  EXPECT_EQ(Rig.Shell.Data.Uptime, 4000);  // whole seconds, rounded down
  EXPECT_EQ(Rig.Sampler.CurrentUptime(), 4000);
  EXPECT_EQ(Rig.Shell.Data.Processes, 123);
  EXPECT_EQ(Rig.Shell.Data.Threads, 4567);
}

TEST_F(SystemBlockTest, CountsKeepTheirLowSixteenBitsReadAsSigned) {
  PassWith({SystemObject(Standard, {0, 70000, 0x18000})});
  EXPECT_EQ(Rig.Shell.Data.Processes, 4464);
  EXPECT_EQ(Rig.Shell.Data.Threads, -32768);
}

TEST_F(SystemBlockTest, WalkStopsAtTheThreadsCounter) {
  PassWith({SystemObject({{250, 4}, {674, 8}, {248, 4}}, {9, 0, 5})});
  EXPECT_EQ(Rig.Shell.Data.Threads, 9);
  EXPECT_EQ(Rig.Shell.Data.Uptime, 0);
  EXPECT_EQ(Rig.Shell.Data.Processes, 0);
}

TEST_F(SystemBlockTest, ObjectsWithInstancesOrOtherIndicesArePassedOver) {
  TPerfObjectDesc WithInstances;
  WithInstances.NameIndex = 2;
  WithInstances.Counters = Standard;
  WithInstances.Instances = {{u"x", {0, 11, 12}}};
  TPerfObjectDesc Other = SystemObject(Standard, {0, 21, 22});
  Other.NameIndex = 3;
  PassWith({WithInstances, Other, SystemObject(Standard, {0, 31, 32})});
  EXPECT_EQ(Rig.Shell.Data.Processes, 31);
  EXPECT_EQ(Rig.Shell.Data.Threads, 32);
}

TEST_F(SystemBlockTest, ZeroFrequencyLeavesTheUptime) {
  Rig.Shell.Data.Uptime = 77;
  TPerfObjectDesc Object = SystemObject(Standard, {0, 1, 2});
  Object.PerfFreq = 0;
  PassWith({Object});
  EXPECT_EQ(Rig.Shell.Data.Uptime, 77);
  EXPECT_EQ(Rig.Shell.Data.Processes, 1);
}

TEST_F(SystemBlockTest, UptimeIsNotComputedWhileTheFamilyIsInactive) {
  Rig.PerfData.Serve("2", TPerfBlockDesc{0, 0, 0, {SystemObject(Standard, {0, 1, 2})}});
  Rig.Pass(TActiveFamilies{});
  EXPECT_EQ(Rig.Sampler.CurrentUptime(), 0);
  EXPECT_EQ(Rig.PerfData.Calls.size(), 0u);
}

}  // namespace
}  // namespace dravel::test
