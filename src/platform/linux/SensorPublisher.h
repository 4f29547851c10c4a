#pragma once
// One user's copies share one set of sensor blocks: the first copy publishes them, the
// others only read, and when the publishing copy goes, another takes over within a
// period. Every copy holds a shared lock on the information block while it runs, and the
// publisher an exclusive lock on the data block, so a copy that leaves can tell whether
// another still reads: the blocks are removed only by the last one, while it holds both.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/Sensors.h"
#include "platform/SharedMemory.h"

namespace dravel {

struct TSensorBlockNames {
  std::string Info;
  std::string Data;
};

// The blocks of this user.
TSensorBlockNames UserSensorBlockNames();

class TSensorPublisher {
 public:
  // Joins the other copies and, when none publishes, publishes at once.
  TSensorPublisher(std::unique_ptr<ISensors> Sensors, TSensorBlockNames Names,
                   std::chrono::milliseconds Period = std::chrono::seconds(1));
  TSensorPublisher(const TSensorPublisher&) = delete;
  TSensorPublisher& operator=(const TSensorPublisher&) = delete;
  // Leaves; the last copy of the user removes the blocks.
  ~TSensorPublisher();

  bool Publishing() const;

 private:
  // Joins, takes over when the publisher has gone, and publishes when it is the publisher.
  void Step();
  void Run();
  void Leave();

  const std::unique_ptr<ISensors> FSensors;
  const TSensorBlockNames FNames;
  const std::chrono::milliseconds FPeriod;
  std::optional<TSharedMemoryLock> FPresence;   // shared, on the information block
  std::optional<TSharedMemoryLock> FPublisher;  // exclusive, on the data block
  std::optional<TSharedMemoryBlock> FInfo;
  std::optional<TSharedMemoryBlock> FData;
  mutable std::mutex FMutex;
  std::condition_variable FWake;
  bool FStopping = false;
  std::thread FThread;
};

}  // namespace dravel
