#include "panel/VantorBlinkThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <future>
#include <limits>
#include <string>
#include <vector>

namespace dravel {
namespace {

TEST(BlinkDurationTest, NoTrafficStartsNoBlink) {
  EXPECT_FALSE(BlinkDuration(0.0, 0.0).has_value());
  EXPECT_FALSE(BlinkDuration(-2.0, 0.0).has_value());
  EXPECT_FALSE(BlinkDuration(std::nan(""), 0.0).has_value());
}

TEST(BlinkDurationTest, SmallTrafficRoundsToAZeroLengthBlink) {
  EXPECT_EQ(BlinkDuration(0.3, 0.0), 0);
  EXPECT_EQ(BlinkDuration(0.0, 0.3), 0);
}

TEST(BlinkDurationTest, FiveMillisecondsPerKilobyteRoundedHalfToEven) {
  EXPECT_EQ(BlinkDuration(1.0, 0.0), 5);
  EXPECT_EQ(BlinkDuration(0.25, 0.25), 0);  // 0.5 rounds to 0
  EXPECT_EQ(BlinkDuration(1.0, 0.5), 10);   // 1.5 rounds to 2
  EXPECT_EQ(BlinkDuration(2.0, 0.5), 10);   // 2.5 rounds to 2
  EXPECT_EQ(BlinkDuration(20.4, 20.0), 200);
}

TEST(BlinkDurationTest, HeavyTrafficIsClampedTo500) {
  EXPECT_EQ(BlinkDuration(150.0, 0.0), 500);
  EXPECT_EQ(BlinkDuration(100.0, 0.0), 500);
  EXPECT_EQ(BlinkDuration(std::numeric_limits<double>::infinity(), 0.0), 500);
  EXPECT_EQ(BlinkDuration(3.0e38, 3.0e38), 500);
}

TEST(BlinkDurationTest, ANegativeSumIsClampedToZero) { EXPECT_EQ(BlinkDuration(5.0, -10.0), 0); }

class TRecordingKey final : public platform::TScrollLockKey {
 public:
  explicit TRecordingKey(std::vector<std::string>& Log) : FLog(Log) {}
  void KeyDown() override { FLog.push_back("down"); }
  void KeyUp() override { FLog.push_back("up"); }

 private:
  std::vector<std::string>& FLog;
};

TEST(BlinkThreadTest, ExecuteTogglesTwiceAndSendsAFinalKeyUp) {
  std::vector<std::string> log;
  TBlinkThread thread([&] { return std::make_unique<TRecordingKey>(log); },
                      [&](std::int32_t ms) { log.push_back("sleep " + std::to_string(ms)); });
  thread.SetDuration(250);
  EXPECT_EQ(thread.Duration(), 250);
  thread.Execute();
  EXPECT_EQ(log,
            (std::vector<std::string>{"down", "up", "sleep 250", "down", "up", "sleep 50", "up"}));
}

class TSignallingKey final : public platform::TScrollLockKey {
 public:
  TSignallingKey(std::promise<int>& Done, int& Events) : FDone(Done), FEvents(Events) {}
  ~TSignallingKey() override { FDone.set_value(FEvents); }
  void KeyDown() override { ++FEvents; }
  void KeyUp() override { ++FEvents; }

 private:
  std::promise<int>& FDone;
  int& FEvents;
};

TEST(BlinkThreadTest, ResumeRunsOnItsOwnThreadAndFreesItself) {
  std::promise<int> done;
  int events = 0;
  auto thread = std::make_unique<TBlinkThread>(
      [&] { return std::make_unique<TSignallingKey>(done, events); }, [](std::int32_t) {});
  thread->SetDuration(0);
  std::future<int> finished = done.get_future();
  TBlinkThread::Resume(std::move(thread));
  ASSERT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(finished.get(), 5);
}

TEST(ScrollLockKeyTest, WithoutADisplayTheKeyDoesNothing) {
  const char* saved = std::getenv("DISPLAY");
  const std::string display = saved != nullptr ? saved : "";
  unsetenv("DISPLAY");
  const auto key = platform::OpenScrollLockKey();
  ASSERT_NE(key, nullptr);
  key->KeyDown();
  key->KeyUp();
  if (saved != nullptr) setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
}  // namespace dravel
