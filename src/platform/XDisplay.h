#pragma once
// Whether the X display the environment names can be reached. The panel places, stacks
// and cuts out its window with X11 requests, so it runs on X11 (XWayland on a Wayland
// session) or not at all.
#include <string>

namespace dravel::platform {

// True when $DISPLAY is set and the X server accepts a connection; otherwise false, with
// Why saying which of the two failed, in words for the user.
bool XDisplayReachable(std::string& Why);

}  // namespace dravel::platform
