// The interface library of the sensor reader. "Start" joins this user's copies in
// publishing the kernel's hardware-monitor readings in shared memory, refreshed every
// second; "Stop" leaves, and the last copy to leave removes the blocks. Within one
// process, every "Start" is matched by a "Stop".

#include <memory>
#include <mutex>

#include "platform/Sensors.h"
#include "platform/linux/SensorPublisher.h"

namespace dravel {
namespace {

std::mutex PublisherMutex;
int Starts = 0;
std::unique_ptr<TSensorPublisher> Publisher;

}  // namespace
}  // namespace dravel

extern "C" __attribute__((visibility("default"))) void Start() {
  using namespace dravel;
  const std::lock_guard Lock(PublisherMutex);
  if (Starts++ == 0) {
    Publisher = std::make_unique<TSensorPublisher>(MakeSensors(), UserSensorBlockNames());
  }
}

extern "C" __attribute__((visibility("default"))) void Stop() {
  using namespace dravel;
  const std::lock_guard Lock(PublisherMutex);
  if (Starts > 0 && --Starts == 0) Publisher.reset();
}
