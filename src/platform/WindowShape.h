#pragma once
// Native window look on the desktop: the colour-key cut-out and the stacking
// state the window manager keeps. Windows are named by their native id.
#include <cstdint>
#include <vector>

namespace dravel::platform {

struct TShapeRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TShapeRect&) const = default;
};

// Limits the window (drawing and mouse input) to the given rectangles of its
// client area; the rest shows and passes clicks to what lies behind. An empty
// list leaves nothing of the window. False when the display cannot do it.
bool SetWindowShape(std::uintptr_t window, const std::vector<TShapeRect>& keep);

// Gives the window back its whole rectangle.
bool ClearWindowShape(std::uintptr_t window);

enum class TStacking {
  Normal,       // among the other windows
  Above,        // over all normal windows
  BelowSticky,  // under all normal windows, over the desktop, on every workspace
};

// Asks the window manager to keep the window in the given layer (and raises it
// directly when asked for Above, for displays without a window manager).
bool SetWindowStacking(std::uintptr_t window, TStacking stacking);

}  // namespace dravel::platform
