#include "platform/XDisplay.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace dravel::platform {

bool XDisplayReachable(std::string& Why) {
  const char* Display = std::getenv("DISPLAY");
  if (Display == nullptr || *Display == '\0') {
    Why = "no X display: DISPLAY is not set";
    return false;
  }
  const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> Connection(
      xcb_connect(Display, nullptr), &xcb_disconnect);
  if (!Connection || xcb_connection_has_error(Connection.get()) != 0) {
    Why = std::string("cannot open the X display \"") + Display + "\"";
    return false;
  }
  return true;
}

}  // namespace dravel::platform
