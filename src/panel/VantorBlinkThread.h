#pragma once
// TBlinkThread: one flash of the Scroll Lock light, on a thread of its own that
// frees itself when done. The render starts one per refresh with network traffic.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/ScrollLockKey.h"

namespace dravel {

// The flash length for the record's network rates (KB/s): their sum rounded to
// the nearest integer (halves to even), times 5 ms, within 0..500. None when
// neither rate is above zero.
std::optional<std::int32_t> BlinkDuration(double NetRead, double NetWrite);

class TBlinkThread {
 public:
  using TKeyFactory = std::function<std::unique_ptr<platform::TScrollLockKey>()>;
  using TSleep = std::function<void(std::int32_t Milliseconds)>;

  // Defaults: the display's Scroll Lock key and a real sleep.
  TBlinkThread();
  TBlinkThread(TKeyFactory KeyFactory, TSleep Sleep);

  void SetDuration(std::int32_t Value) { FDuration = Value; }
  std::int32_t Duration() const { return FDuration; }

  // The thread body: toggle the light, wait Duration, toggle it back, wait
  // 50 ms, and send one more key-up.
  void Execute();

  // Runs Execute on a new detached thread that owns and frees the object.
  static void Resume(std::unique_ptr<TBlinkThread> Thread);

 private:
  TKeyFactory FKeyFactory;
  TSleep FSleep;
  std::int32_t FDuration = 0;
};

}  // namespace dravel
