#pragma once
// The Scroll Lock key of the keyboard, pressed and released by the program.
#include <memory>

namespace dravel::platform {

class TScrollLockKey {
 public:
  virtual ~TScrollLockKey() = default;
  virtual void KeyDown() = 0;
  virtual void KeyUp() = 0;
};

// A key on its own display connection, so each thread may hold one. Where the
// display or its key-synthesis extension is missing the key does nothing.
std::unique_ptr<TScrollLockKey> OpenScrollLockKey();

}  // namespace dravel::platform
