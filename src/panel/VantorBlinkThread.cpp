#include "panel/VantorBlinkThread.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace dravel {

std::optional<std::int32_t> BlinkDuration(double NetRead, double NetWrite) {
  if (!(NetRead > 0.0) && !(NetWrite > 0.0)) return std::nullopt;
  // Clamped while still a double: rates far out of range must not overflow.
  const double ms = std::nearbyint(NetRead + NetWrite) * 5.0;
  if (std::isnan(ms)) return std::nullopt;
  return static_cast<std::int32_t>(std::clamp(ms, 0.0, 500.0));
}

TBlinkThread::TBlinkThread()
    : TBlinkThread(&platform::OpenScrollLockKey, [](std::int32_t ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      }) {}

TBlinkThread::TBlinkThread(TKeyFactory KeyFactory, TSleep Sleep)
    : FKeyFactory(std::move(KeyFactory)), FSleep(std::move(Sleep)) {}

void TBlinkThread::Execute() {
  const std::unique_ptr<platform::TScrollLockKey> key = FKeyFactory();
  key->KeyDown();
  key->KeyUp();
  FSleep(std::max<std::int32_t>(FDuration, 0));
  key->KeyDown();
  key->KeyUp();
  FSleep(50);
  key->KeyUp();
}

void TBlinkThread::Resume(std::unique_ptr<TBlinkThread> Thread) {
  std::thread([self = std::move(Thread)] { self->Execute(); }).detach();
}

}  // namespace dravel
