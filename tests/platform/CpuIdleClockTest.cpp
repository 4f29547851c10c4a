#include <gtest/gtest.h>

#include "platform/linux/CpuIdleClock.h"

namespace dravel {
namespace {

constexpr long TicksPerSecond = 100;
constexpr std::uint64_t Second = 10'000'000;  // in 100 ns

// The usage the sampler computes from two passes' idle times and clock readings.
double Usage(std::uint64_t IdleBefore, std::uint64_t IdleAfter, std::uint64_t Elapsed) {
  return (1.0 - static_cast<double>(IdleAfter - IdleBefore) / static_cast<double>(Elapsed)) * 100;
}

TEST(CpuIdleClockTest, FirstFiguresAreTheIdleTimeSinceBootAsFarAsTheClockHasCome) {
  TCpuIdleClock Clock;
  EXPECT_EQ(Clock.Advance({{300, 400}, {900, 1000}}, 5 * Second, TicksPerSecond),
            (std::vector<std::uint64_t>{3 * Second, 5 * Second}));
}

TEST(CpuIdleClockTest, IdleTicksRunningAheadOfTheClockNeverGiveUsageBelowZero) {
  TCpuIdleClock Clock;
  const auto First = Clock.Advance({{1000, 1000}}, 100 * Second, TicksPerSecond);
  // A second by the clock, but 102 idle ticks counted: the tick ran ahead of the reading.
  const auto Second1 = Clock.Advance({{1102, 1102}}, 101 * Second, TicksPerSecond);
  EXPECT_DOUBLE_EQ(Usage(First[0], Second1[0], Second), 0.0);
}

TEST(CpuIdleClockTest, UsageIsTheBusyShareOfEachProcessorsOwnTicks) {
  TCpuIdleClock Clock;
  const auto First = Clock.Advance({{0, 0}, {0, 0}}, 10 * Second, TicksPerSecond);
  const auto Next = Clock.Advance({{75, 100}, {10, 100}}, 12 * Second, TicksPerSecond);
  EXPECT_NEAR(Usage(First[0], Next[0], 2 * Second), 25.0, 1e-6);
  EXPECT_NEAR(Usage(First[1], Next[1], 2 * Second), 90.0, 1e-6);
}

TEST(CpuIdleClockTest, APassWithoutATickKeepsTheLastShare) {
  TCpuIdleClock Clock;
  Clock.Advance({{0, 0}}, Second, TicksPerSecond);
  const auto Busy = Clock.Advance({{50, 100}}, 2 * Second, TicksPerSecond);
  const auto Still = Clock.Advance({{50, 100}}, 2 * Second + Second / 1000, TicksPerSecond);
  EXPECT_NEAR(Usage(Busy[0], Still[0], Second / 1000), 50.0, 1e-3);
}

TEST(CpuIdleClockTest, CountsThatGoBackKeepTheLastShareAndTheIdleTimeGrowing) {
  TCpuIdleClock Clock;
  Clock.Advance({{0, 0}}, Second, TicksPerSecond);
  const auto Before = Clock.Advance({{80, 100}}, 2 * Second, TicksPerSecond);
  const auto After = Clock.Advance({{5, 10}}, 3 * Second, TicksPerSecond);
  EXPECT_GT(After[0], Before[0]);
  EXPECT_NEAR(Usage(Before[0], After[0], Second), 20.0, 1e-6);
}

TEST(CpuIdleClockTest, AChangedProcessorCountStartsAfresh) {
  TCpuIdleClock Clock;
  Clock.Advance({{100, 200}}, 10 * Second, TicksPerSecond);
  EXPECT_EQ(Clock.Advance({{100, 200}, {400, 400}}, 11 * Second, TicksPerSecond),
            (std::vector<std::uint64_t>{Second, 4 * Second}));
}

}  // namespace
}  // namespace dravel
