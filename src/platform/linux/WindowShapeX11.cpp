// X11 implementation of the window look: SHAPE extension and EWMH states.
// Requests go straight to the X server on Qt's own connection, since a mask
// changed through Qt after the window was shown does not always reach it.
#include "platform/WindowShape.h"

#include <QGuiApplication>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace dravel::platform {
namespace {

xcb_connection_t* Connection() {
  if (qGuiApp == nullptr) return nullptr;
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

bool HasShape(xcb_connection_t* c) {
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shape_id);
  return ext != nullptr && ext->present != 0;
}

xcb_atom_t Atom(xcb_connection_t* c, std::string_view name) {
  const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t w) {
  std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geo(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr), &std::free);
  return geo ? geo->root : xcb_window_t{XCB_WINDOW_NONE};
}

bool IsMapped(xcb_connection_t* c, xcb_window_t w) {
  std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr), &std::free);
  return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

// The window's _NET_WM_STATE atoms (at most 64, far more than any window has).
std::vector<xcb_atom_t> ReadStates(xcb_connection_t* c, xcb_window_t w, xcb_atom_t wmState) {
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, wmState, XCB_ATOM_ATOM, 0, 64), nullptr),
      &std::free);
  if (!reply || reply->format != 32) return {};
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  return std::vector<xcb_atom_t>(atoms, atoms + std::max(0, count));
}

// One _NET_WM_STATE change request to the window manager (EWMH: 0 remove, 1 add).
void SendState(xcb_connection_t* c, xcb_window_t root, xcb_window_t w, xcb_atom_t wmState,
               uint32_t action, xcb_atom_t first, xcb_atom_t second) {
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = w;
  ev.type = wmState;
  ev.data.data32[0] = action;
  ev.data.data32[1] = first;
  ev.data.data32[2] = second;
  ev.data.data32[3] = 1;  // source: an application
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
}

}  // namespace

bool SetWindowShape(std::uintptr_t window, const std::vector<TShapeRect>& keep) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || window == 0 || !HasShape(c)) return false;
  const auto w = static_cast<xcb_window_t>(window);
  // Large shapes go in slices, well below the server's request size limit.
  constexpr std::size_t kSlice = 4096;
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(std::min(keep.size(), kSlice));
  std::size_t done = 0;
  do {
    rects.clear();
    const std::size_t end = std::min(keep.size(), done + kSlice);
    for (std::size_t i = done; i < end; ++i) {
      const TShapeRect& r = keep[i];
      rects.push_back({static_cast<int16_t>(r.X), static_cast<int16_t>(r.Y),
                       static_cast<uint16_t>(std::max(0, r.Width)),
                       static_cast<uint16_t>(std::max(0, r.Height))});
    }
    const auto op = done == 0 ? XCB_SHAPE_SO_SET : XCB_SHAPE_SO_UNION;
    xcb_shape_rectangles(c, op, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, w, 0, 0,
                         static_cast<uint32_t>(rects.size()), rects.data());
    done = end;
  } while (done < keep.size());
  xcb_flush(c);
  return true;
}

bool ClearWindowShape(std::uintptr_t window) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || window == 0 || !HasShape(c)) return false;
  xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, static_cast<xcb_window_t>(window), 0,
                 0, XCB_PIXMAP_NONE);
  xcb_flush(c);
  return true;
}

bool SetWindowStacking(std::uintptr_t window, TStacking stacking) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || window == 0) return false;
  const auto w = static_cast<xcb_window_t>(window);
  const xcb_window_t root = RootOf(c, w);
  if (root == XCB_WINDOW_NONE) return false;
  const xcb_atom_t wmState = Atom(c, "_NET_WM_STATE");
  const xcb_atom_t above = Atom(c, "_NET_WM_STATE_ABOVE");
  const xcb_atom_t below = Atom(c, "_NET_WM_STATE_BELOW");
  const xcb_atom_t sticky = Atom(c, "_NET_WM_STATE_STICKY");
  std::vector<xcb_atom_t> wanted;
  if (stacking == TStacking::Above) wanted = {above};
  if (stacking == TStacking::BelowSticky) wanted = {below, sticky};

  if (!IsMapped(c, w)) {
    // Before mapping, the window manager reads the property itself.
    std::vector<xcb_atom_t> states = ReadStates(c, w, wmState);
    std::erase_if(states, [&](xcb_atom_t a) { return a == above || a == below || a == sticky; });
    states.insert(states.end(), wanted.begin(), wanted.end());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, wmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
  } else {
    for (const xcb_atom_t state : {above, below, sticky}) {
      const bool add = std::find(wanted.begin(), wanted.end(), state) != wanted.end();
      SendState(c, root, w, wmState, add ? 1 : 0, state, XCB_ATOM_NONE);
    }
    // Without a window manager nobody answers the requests above: raise directly. (No
    // direct lowering: that could put the window under a desktop window.)
    if (stacking == TStacking::Above) {
      const std::array<uint32_t, 1> mode{XCB_STACK_MODE_ABOVE};
      xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, mode.data());
    }
  }
  xcb_flush(c);
  return true;
}

}  // namespace dravel::platform
