// The per-address bucket of failed password checks.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "service/FailureThrottle.h"

namespace dravel {
namespace {

using namespace std::chrono_literals;
using TClock = TFailureThrottle::TClock;

// Whether a check may run, and when it does, that it fails.
bool FailOnce(TFailureThrottle& Throttle, const std::string& Peer, TClock::time_point Now) {
  if (!Throttle.Allows(Peer, Now)) return false;
  Throttle.Failed(Peer, Now);
  return true;
}

TEST(FailureThrottleTest, FiveFailuresASecondThenRefusedUntilRefilled) {
  TFailureThrottle Throttle;
  const auto Start = TClock::now();
  for (int I = 0; I < 5; ++I) EXPECT_TRUE(FailOnce(Throttle, "10.0.0.1", Start + I * 10ms)) << I;
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Start + 50ms));
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Start + 200ms));  // 0.75 tokens by then
  EXPECT_TRUE(FailOnce(Throttle, "10.0.0.1", Start + 300ms));
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Start + 310ms));
  // A long pause fills the bucket, and never beyond its size.
  for (int I = 0; I < 5; ++I) EXPECT_TRUE(FailOnce(Throttle, "10.0.0.1", Start + 60s)) << I;
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Start + 60s));
}

TEST(FailureThrottleTest, OnlyFailuresCount) {
  TFailureThrottle Throttle;
  const auto Now = TClock::now();
  for (int I = 0; I < 50; ++I) ASSERT_TRUE(Throttle.Allows("10.0.0.1", Now)) << I;
  EXPECT_EQ(Throttle.Size(), 1u);
}

TEST(FailureThrottleTest, FailuresAtOnceAreWaitedOffAfterwards) {
  TFailureThrottle Throttle;
  const auto Now = TClock::now();
  // Twelve checks let in together, all failing: the bucket ends 5 below empty at most.
  for (int I = 0; I < 12; ++I) Throttle.Failed("10.0.0.1", Now);
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Now + 1100ms));  // -5 + 5.5 tokens
  EXPECT_TRUE(Throttle.Allows("10.0.0.1", Now + 1300ms));
}

TEST(FailureThrottleTest, AddressesHaveTheirOwnBuckets) {
  TFailureThrottle Throttle;
  const auto Now = TClock::now();
  for (int I = 0; I < 5; ++I) Throttle.Failed("10.0.0.1", Now);
  EXPECT_FALSE(Throttle.Allows("10.0.0.1", Now));
  EXPECT_TRUE(Throttle.Allows("10.0.0.2", Now));
  EXPECT_TRUE(Throttle.Allows("::1", Now));
}

TEST(FailureThrottleTest, TheTableIsBoundedAndForgetsTheAddressTouchedLongestAgo) {
  TFailureThrottle Throttle(5, 5, 3);
  const auto Now = TClock::now();
  for (int I = 0; I < 5; ++I) Throttle.Failed("a", Now);
  for (int I = 0; I < 5; ++I) Throttle.Failed("b", Now);
  Throttle.Failed("c", Now);
  EXPECT_FALSE(Throttle.Allows("a", Now));  // "a" is now the newest; "b" the oldest
  Throttle.Failed("d", Now);                 // makes room by forgetting "b"
  EXPECT_EQ(Throttle.Size(), 3u);
  EXPECT_TRUE(Throttle.Allows("b", Now));
  EXPECT_EQ(Throttle.Size(), 3u);
  EXPECT_FALSE(Throttle.Allows("a", Now));
}

}  // namespace
}  // namespace dravel
