#pragma once
// The one-time notice that the panel's menu opens with a right click on the panel: shown
// when no notification area has appeared by a while after start (at login the panel often
// starts before the desktop's tray), and never again once the user has read it.
#include <QObject>
#include <chrono>
#include <functional>

class QTimer;
class QWidget;

namespace dravel {

class TNoTrayNotice : public QObject {
  Q_OBJECT

 public:
  struct TChecks {
    std::function<bool()> AlreadyShown;  // the user read it in an earlier run
    std::function<void()> MarkShown;     // the user has read it now
    // Whether a notification area is there now.
    std::function<bool()> TrayAvailable;
  };
  static constexpr std::chrono::milliseconds DefaultWait{10000};

  // Starts watching at once; deletes itself when done. Window owns the notice box.
  TNoTrayNotice(QWidget& Window, TChecks Checks, std::chrono::milliseconds Wait = DefaultWait);

  bool TraySeen() const { return FTraySeen; }

 private:
  void Poll();
  void Decide();

  QWidget& FWindow;
  TChecks FChecks;
  QTimer* FPoll = nullptr;
  bool FTraySeen = false;
};

}  // namespace dravel
