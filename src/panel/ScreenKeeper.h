#pragma once
// Keeps the panel reachable: at start, and whenever screens are added, removed or resized,
// a panel that shows less than 32 by 16 pixels on every screen (a monitor unplugged, a
// stored position off every screen) is moved wholly onto the nearest screen. A position
// the user chose on some screen is left alone. Positions are in logical pixels, as Qt
// gives them, so a stored position means the same place at any scale factor.
#include <QObject>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

class QScreen;
class QWidget;

namespace dravel {

struct TScreenArea {
  QRect Geometry;   // the whole screen
  QRect Available;  // without the desktop's own panels and docks
};

// The part of a window that must show on one screen for it to count as reachable.
inline constexpr QSize ReachableSize{32, 16};

// Where a window at Window must go to be reachable, or nothing when it is already (or there
// is no screen at all). A window smaller than ReachableSize must show whole.
std::optional<QPoint> ReachablePosition(const QRect& Window, const std::vector<TScreenArea>& Screens);

class TScreenKeeper : public QObject {
  Q_OBJECT

 public:
  // Checks Window at once and after every change of the screens; Window owns the keeper.
  explicit TScreenKeeper(QWidget& Window);

  // Moves the window onto a screen when it is off all of them.
  void Check();
  // Runs when the window has moved to a screen of another device-pixel ratio, so that
  // what is drawn in device pixels is drawn again.
  std::function<void()> OnPixelRatioChanged;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void Follow(QScreen* Screen);
  void CheckSoon();

  QWidget& FWindow;
  qreal FRatio = 0;
  bool FWatchingWindow = false;
};

}  // namespace dravel
