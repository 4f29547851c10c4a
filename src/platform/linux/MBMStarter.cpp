// The interface library of the sensor reader: "Start" publishes the kernel's
// hardware-monitor readings in the hardware-monitor program's shared-memory layout,
// refreshed every second; "Stop" ends that and removes the blocks.

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/SharedMemory.h"
#include "platform/linux/Hwmon.h"

namespace dravel {
namespace {

constexpr char InfoBlockName[] = "$M$B$M$5$I$";
constexpr char DataBlockName[] = "$M$B$M$5$D$";
constexpr char HwmonRoot[] = "/sys/class/hwmon";
constexpr std::size_t InfoBlockSize = 16;
constexpr std::size_t DataBlockSize = 256;
constexpr std::size_t TempsAt = 0;
constexpr std::size_t FansAt = 120;  // the layout of a non-zero first information byte
constexpr std::size_t SensorCount = 3;
constexpr std::uint8_t InfoLayoutFlag = 1;

class TSensorPublisher {
 public:
  TSensorPublisher(TSharedMemoryBlock Info, TSharedMemoryBlock Data)
      : FInfo(std::move(Info)), FData(std::move(Data)) {
    FInfo.Bytes()[0] = InfoLayoutFlag;
    Publish();
    FThread = std::thread([this] { Run(); });
  }
  TSensorPublisher(const TSensorPublisher&) = delete;
  TSensorPublisher& operator=(const TSensorPublisher&) = delete;
  ~TSensorPublisher() {
    {
      const std::lock_guard Lock(FMutex);
      FStopping = true;
    }
    FWake.notify_all();
    FThread.join();
  }

 private:
  void Publish() {
    const THwmonReadings Readings = ReadHwmonSensors(HwmonRoot, SensorCount);
    Write(TempsAt, Readings.Temps);
    Write(FansAt, Readings.Fans);
  }

  void Write(std::size_t At, const std::vector<std::int32_t>& Values) {
    std::array<std::int32_t, SensorCount + 1> Slots{};
    std::copy_n(Values.begin(), std::min(Values.size(), SensorCount), Slots.begin());
    std::memcpy(FData.Bytes().data() + At, Slots.data(), sizeof Slots);
  }

  void Run() {
    std::unique_lock Lock(FMutex);
    while (!FWake.wait_for(Lock, std::chrono::seconds(1), [this] { return FStopping; })) {
      Publish();
    }
  }

  TSharedMemoryBlock FInfo;
  TSharedMemoryBlock FData;
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FStopping = false;
  std::thread FThread;
};

std::mutex PublisherMutex;
std::unique_ptr<TSensorPublisher> Publisher;

}  // namespace
}  // namespace dravel

extern "C" __attribute__((visibility("default"))) void Start() {
  using namespace dravel;
  const std::lock_guard Lock(PublisherMutex);
  if (Publisher) return;
  auto Info = TSharedMemoryBlock::Create(InfoBlockName, InfoBlockSize);
  auto Data = TSharedMemoryBlock::Create(DataBlockName, DataBlockSize);
  if (!Info || !Data) return;
  Publisher = std::make_unique<TSensorPublisher>(std::move(*Info), std::move(*Data));
}

extern "C" __attribute__((visibility("default"))) void Stop() {
  using namespace dravel;
  const std::lock_guard Lock(PublisherMutex);
  Publisher.reset();
}
