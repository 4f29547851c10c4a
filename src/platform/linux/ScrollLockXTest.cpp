// Scroll Lock through the X Test extension, on a display connection of its own.
#include "platform/ScrollLockKey.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace dravel::platform {
namespace {

class TNoKey final : public TScrollLockKey {
 public:
  void KeyDown() override {}
  void KeyUp() override {}
};

class TXTestKey final : public TScrollLockKey {
 public:
  TXTestKey(Display* display, unsigned int keycode) : FDisplay(display), FKeycode(keycode) {}
  ~TXTestKey() override { XCloseDisplay(FDisplay); }
  TXTestKey(const TXTestKey&) = delete;
  TXTestKey& operator=(const TXTestKey&) = delete;

  void KeyDown() override { Send(True); }
  void KeyUp() override { Send(False); }

 private:
  void Send(Bool down) {
    XTestFakeKeyEvent(FDisplay, FKeycode, down, CurrentTime);
    XFlush(FDisplay);
  }
  Display* FDisplay;
  unsigned int FKeycode;
};

}  // namespace

std::unique_ptr<TScrollLockKey> OpenScrollLockKey() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return std::make_unique<TNoKey>();
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  const unsigned int keycode = XKeysymToKeycode(display, XK_Scroll_Lock);
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) || keycode == 0) {
    XCloseDisplay(display);
    return std::make_unique<TNoKey>();
  }
  return std::make_unique<TXTestKey>(display, keycode);
}

}  // namespace dravel::platform
