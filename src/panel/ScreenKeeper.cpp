#include "panel/ScreenKeeper.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <limits>

namespace dravel {

namespace {

// Squared distance between two rectangles: 0 when they touch or overlap.
long long Distance(const QRect& A, const QRect& B) {
  const long long Dx = std::max({0, B.left() - A.right(), A.left() - B.right()});
  const long long Dy = std::max({0, B.top() - A.bottom(), A.top() - B.bottom()});
  return Dx * Dx + Dy * Dy;
}

// Start of a span of Length inside [Low, Low + Room), as near to Wanted as it gets; the
// low end when it does not fit at all.
int Clamp(int Wanted, int Length, int Low, int Room) {
  return Length >= Room ? Low : std::clamp(Wanted, Low, Low + Room - Length);
}

}  // namespace

std::optional<QPoint> ReachablePosition(const QRect& Window, const std::vector<TScreenArea>& Screens) {
  if (Screens.empty()) return std::nullopt;
  const QSize Needed(std::min(ReachableSize.width(), Window.width()),
                     std::min(ReachableSize.height(), Window.height()));
  for (const TScreenArea& Screen : Screens) {
    const QRect Shown = Window & Screen.Geometry;
    if (Shown.width() >= Needed.width() && Shown.height() >= Needed.height()) return std::nullopt;
  }
  const TScreenArea* Nearest = &Screens.front();
  long long Best = std::numeric_limits<long long>::max();
  for (const TScreenArea& Screen : Screens) {
    const long long Here = Distance(Window, Screen.Geometry);
    if (Here < Best) {
      Best = Here;
      Nearest = &Screen;
    }
  }
  const QRect Room = Nearest->Available.isValid() ? Nearest->Available : Nearest->Geometry;
  return QPoint(Clamp(Window.x(), Window.width(), Room.x(), Room.width()),
                Clamp(Window.y(), Window.height(), Room.y(), Room.height()));
}

TScreenKeeper::TScreenKeeper(QWidget& Window) : QObject(&Window), FWindow(Window) {
  for (QScreen* Screen : QGuiApplication::screens()) Follow(Screen);
  connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* Screen) {
    Follow(Screen);
    CheckSoon();
  });
  connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TScreenKeeper::CheckSoon);
  FWindow.installEventFilter(this);
  Check();
}

void TScreenKeeper::Follow(QScreen* Screen) {
  connect(Screen, &QScreen::geometryChanged, this, &TScreenKeeper::CheckSoon);
  connect(Screen, &QScreen::availableGeometryChanged, this, &TScreenKeeper::CheckSoon);
}

void TScreenKeeper::CheckSoon() {
  // After Qt has moved its windows to the screens that are left.
  QTimer::singleShot(0, this, &TScreenKeeper::Check);
}

void TScreenKeeper::Check() {
  std::vector<TScreenArea> Screens;
  for (const QScreen* Screen : QGuiApplication::screens())
    Screens.push_back({Screen->geometry(), Screen->availableGeometry()});
  if (const auto Position = ReachablePosition(FWindow.frameGeometry(), Screens))
    FWindow.move(*Position);
}

bool TScreenKeeper::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == &FWindow && Event->type() == QEvent::Show && !FWatchingWindow &&
      FWindow.windowHandle() != nullptr) {
    FWatchingWindow = true;
    FRatio = FWindow.devicePixelRatioF();
    connect(FWindow.windowHandle(), &QWindow::screenChanged, this, [this] {
      const qreal Ratio = FWindow.devicePixelRatioF();
      if (Ratio == FRatio) return;
      FRatio = Ratio;
      if (OnPixelRatioChanged) OnPixelRatioChanged();
    });
  }
  return QObject::eventFilter(Watched, Event);
}

}  // namespace dravel
