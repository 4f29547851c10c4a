// The per-address bucket of failed password checks.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "service/FailureThrottle.h"

namespace dravel {
namespace {

using namespace std::chrono_literals;
using TClock = TFailureThrottle::TClock;

TEST(FailureThrottleTest, FiveFailuresASecondThenRefusedUntilRefilled) {
  TFailureThrottle Throttle;
  const auto Start = TClock::now();
  for (int I = 0; I < 5; ++I) EXPECT_TRUE(Throttle.Take("10.0.0.1", Start + I * 10ms)) << I;
  EXPECT_FALSE(Throttle.Take("10.0.0.1", Start + 50ms));
  EXPECT_FALSE(Throttle.Take("10.0.0.1", Start + 200ms));  // 0.75 tokens by then
  EXPECT_TRUE(Throttle.Take("10.0.0.1", Start + 300ms));
  EXPECT_FALSE(Throttle.Take("10.0.0.1", Start + 310ms));
  // A long pause fills the bucket, and never beyond its size.
  for (int I = 0; I < 5; ++I) EXPECT_TRUE(Throttle.Take("10.0.0.1", Start + 60s)) << I;
  EXPECT_FALSE(Throttle.Take("10.0.0.1", Start + 60s));
}

TEST(FailureThrottleTest, AddressesHaveTheirOwnBuckets) {
  TFailureThrottle Throttle;
  const auto Now = TClock::now();
  for (int I = 0; I < 5; ++I) Throttle.Take("10.0.0.1", Now);
  EXPECT_FALSE(Throttle.Take("10.0.0.1", Now));
  EXPECT_TRUE(Throttle.Take("10.0.0.2", Now));
  EXPECT_TRUE(Throttle.Take("::1", Now));
}

TEST(FailureThrottleTest, SuccessesGiveTheirTokenBack) {
  TFailureThrottle Throttle;
  const auto Now = TClock::now();
  for (int I = 0; I < 50; ++I) {
    ASSERT_TRUE(Throttle.Take("10.0.0.1", Now)) << I;
    Throttle.GiveBack("10.0.0.1");
  }
  Throttle.GiveBack("10.0.0.9");  // unknown: nothing to give back to
  EXPECT_EQ(Throttle.Size(), 1u);
}

TEST(FailureThrottleTest, TheTableIsBoundedAndForgetsTheAddressTouchedLongestAgo) {
  TFailureThrottle Throttle(5, 5, 3);
  const auto Now = TClock::now();
  for (int I = 0; I < 5; ++I) Throttle.Take("a", Now);
  for (int I = 0; I < 5; ++I) Throttle.Take("b", Now);
  Throttle.Take("c", Now);
  EXPECT_FALSE(Throttle.Take("a", Now));  // "a" is now the newest; "b" the oldest
  Throttle.Take("d", Now);                 // makes room by forgetting "b"
  EXPECT_EQ(Throttle.Size(), 3u);
  EXPECT_TRUE(Throttle.Take("b", Now));
  EXPECT_EQ(Throttle.Size(), 3u);
  EXPECT_FALSE(Throttle.Take("a", Now));
}

}  // namespace
}  // namespace dravel
