#include "platform/linux/SensorPublisher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/SensorBlock.h"

namespace dravel {
namespace {

using namespace std::chrono_literals;

// Readings the test changes while the publishers run.
struct TReadings {
  std::mutex Mutex;
  double Temperature = 40;
};

class TFakeSensors final : public ISensors {
 public:
  explicit TFakeSensors(std::shared_ptr<TReadings> Readings) : FReadings(std::move(Readings)) {}
  std::vector<TSensorReading> Read() override {
    const std::lock_guard Lock(FReadings->Mutex);
    return {{"k10temp", "Tctl", TSensorKind::Temperature, FReadings->Temperature}};
  }

 private:
  std::shared_ptr<TReadings> FReadings;
};

class SensorPublisherTest : public ::testing::Test {
 protected:
  SensorPublisherTest() {
    const std::string Tag = "dravel-test-publisher-" + std::to_string(::getpid()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Names = {Tag + "-i", Tag + "-d"};
  }
  ~SensorPublisherTest() override {
    RemoveSharedMemory(Names.Info);
    RemoveSharedMemory(Names.Data);
  }

  // A copy of the program; a long period keeps a reader from taking over by itself.
  std::unique_ptr<TSensorPublisher> Copy(std::chrono::milliseconds Period = 1h) {
    return std::make_unique<TSensorPublisher>(std::make_unique<TFakeSensors>(Readings), Names,
                                              Period);
  }
  void SetTemperature(double Value) {
    const std::lock_guard Lock(Readings->Mutex);
    Readings->Temperature = Value;
  }
  bool BlocksExist() const {
    return TSharedMemoryView::OpenReadOnly(Names.Info) &&
           TSharedMemoryView::OpenReadOnly(Names.Data);
  }
  // The published temperature, 0 when there is none.
  std::int32_t Published() const {
    const auto View = TSharedMemoryView::OpenReadOnly(Names.Data);
    if (!View) return 0;
    const auto Table = ReadSensorTable(View->Bytes());
    return Table && !Table->empty() ? Table->front().Value.value_or(0) : 0;
  }
  template <typename TCondition>
  static bool Within(std::chrono::milliseconds Limit, TCondition&& Condition) {
    const auto End = std::chrono::steady_clock::now() + Limit;
    while (!Condition()) {
      if (std::chrono::steady_clock::now() > End) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  TSensorBlockNames Names;
  std::shared_ptr<TReadings> Readings = std::make_shared<TReadings>();
};

TEST_F(SensorPublisherTest, FirstCopyPublishesAtOnceAndTheOthersOnlyRead) {
  const auto First = Copy();
  EXPECT_TRUE(First->Publishing());
  const auto Info = TSharedMemoryView::OpenReadOnly(Names.Info, 1);
  ASSERT_TRUE(Info);
  EXPECT_EQ(Info->Bytes()[0], SensorBlock::InfoFansAt120);
  EXPECT_EQ(Published(), 40);
  const auto Second = Copy();
  EXPECT_FALSE(Second->Publishing());
}

TEST_F(SensorPublisherTest, WhenThePublisherLeavesAReaderTakesOverWithinTwoSeconds) {
  auto Publisher = Copy();
  const auto Reader = Copy(1s);  // the period copies run with
  const auto Other = Copy(1s);
  // What a reading copy has mapped stays the block that is published from now on.
  const auto Mapped = TSharedMemoryView::OpenReadOnly(Names.Data);
  ASSERT_TRUE(Mapped);
  Publisher.reset();
  EXPECT_TRUE(BlocksExist());
  SetTemperature(55);
  const auto Started = std::chrono::steady_clock::now();
  ASSERT_TRUE(Within(2s, [&] { return Published() == 55; }));
  EXPECT_LE(std::chrono::steady_clock::now() - Started, 2s);
  EXPECT_NE(Reader->Publishing(), Other->Publishing());
  const auto Table = ReadSensorTable(Mapped->Bytes());
  ASSERT_TRUE(Table && !Table->empty());
  EXPECT_EQ(Table->front().Value, 55);
}

TEST_F(SensorPublisherTest, BlocksStayWhileAnyCopyRunsAndGoWithTheLast) {
  auto Publisher = Copy();
  auto Reader = Copy();
  Reader.reset();
  EXPECT_TRUE(BlocksExist());
  EXPECT_TRUE(Publisher->Publishing());
  Publisher.reset();
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Names.Data));
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Names.Info));
}

TEST_F(SensorPublisherTest, ReaderLeftLastRemovesTheBlocksBeforeItEverPublished) {
  auto Publisher = Copy();
  auto Reader = Copy();
  Publisher.reset();
  EXPECT_TRUE(BlocksExist());
  EXPECT_FALSE(Reader->Publishing());
  Reader.reset();
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Names.Data));
}

TEST_F(SensorPublisherTest, CopyStartedAfterTheLastLeftPublishesAfresh) {
  Copy().reset();
  SetTemperature(61);
  const auto Next = Copy();
  EXPECT_TRUE(Next->Publishing());
  EXPECT_EQ(Published(), 61);
}

TEST_F(SensorPublisherTest, PublisherRefreshesEveryPeriod) {
  const auto Publisher = Copy(50ms);
  SetTemperature(70);
  EXPECT_TRUE(Within(2s, [&] { return Published() == 70; }));
}

}  // namespace
}  // namespace dravel
