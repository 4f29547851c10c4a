#include "platform/linux/SensorPublisher.h"

#include "platform/SensorBlock.h"

namespace dravel {

TSensorBlockNames UserSensorBlockNames() {
  return {PerUserBlockName(SensorBlock::InfoName), PerUserBlockName(SensorBlock::DataName)};
}

TSensorPublisher::TSensorPublisher(std::unique_ptr<ISensors> Sensors, TSensorBlockNames Names,
                                   std::chrono::milliseconds Period)
    : FSensors(std::move(Sensors)), FNames(std::move(Names)), FPeriod(Period) {
  {
    const std::lock_guard Lock(FMutex);
    Step();
  }
  FThread = std::thread([this] { Run(); });
}

TSensorPublisher::~TSensorPublisher() {
  {
    const std::lock_guard Lock(FMutex);
    FStopping = true;
  }
  FWake.notify_all();
  FThread.join();
  Leave();
}

bool TSensorPublisher::Publishing() const {
  const std::lock_guard Lock(FMutex);
  return FData.has_value();
}

void TSensorPublisher::Step() {
  // A copy that has not joined yet (the last one was just removing the blocks) would be
  // invisible to a leaving copy, so it joins before it publishes.
  if (!FPresence) FPresence = TSharedMemoryLock::TryTake(FNames.Info, TLockKind::Shared);
  if (!FPresence) return;
  if (!FData) {
    FPublisher = TSharedMemoryLock::TryTake(FNames.Data, TLockKind::Exclusive);
    if (!FPublisher) return;
    FInfo = TSharedMemoryBlock::Open(FNames.Info, SensorBlock::InfoSize);
    FData = TSharedMemoryBlock::Open(FNames.Data, SensorBlock::DataSize);
    if (!FInfo || !FData) {
      FInfo.reset();
      FData.reset();
      FPublisher.reset();
      return;
    }
    FInfo->Bytes()[0] = SensorBlock::InfoFansAt120;
  }
  WriteSensorBlock(FData->Bytes(), FSensors->Read());
}

void TSensorPublisher::Run() {
  std::unique_lock Lock(FMutex);
  while (!FWake.wait_for(Lock, FPeriod, [this] { return FStopping; })) Step();
}

void TSensorPublisher::Leave() {
  FPresence.reset();
  // A copy that never published may be the last one left after the publisher went.
  if (!FPublisher) FPublisher = TSharedMemoryLock::TryTake(FNames.Data, TLockKind::Exclusive);
  if (FPublisher) {
    if (const auto Alone = TSharedMemoryLock::TryTake(FNames.Info, TLockKind::Exclusive)) {
      RemoveSharedMemory(FNames.Data);
      RemoveSharedMemory(FNames.Info);
    }
  }
  FData.reset();
  FInfo.reset();
  FPublisher.reset();
}

}  // namespace dravel
