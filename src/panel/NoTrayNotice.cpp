#include "panel/NoTrayNotice.h"

#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace dravel {

namespace {

constexpr std::chrono::milliseconds PollEvery{250};

}  // namespace

TNoTrayNotice::TNoTrayNotice(QWidget& Window, TChecks Checks, std::chrono::milliseconds Wait)
    : QObject(&Window), FWindow(Window), FChecks(std::move(Checks)) {
  FPoll = new QTimer(this);
  FPoll->setInterval(PollEvery);
  connect(FPoll, &QTimer::timeout, this, &TNoTrayNotice::Poll);
  FPoll->start();
  QTimer::singleShot(Wait, this, &TNoTrayNotice::Decide);
  Poll();
}

void TNoTrayNotice::Poll() {
  if (!FChecks.TrayAvailable()) return;
  // A tray has come: the icon is in it and the notice has nothing to say.
  FTraySeen = true;
  FPoll->stop();
}

void TNoTrayNotice::Decide() {
  FPoll->stop();
  Poll();
  if (FTraySeen || FChecks.AlreadyShown()) {
    deleteLater();
    return;
  }
  auto* Notice =
      new QMessageBox(QMessageBox::Information, QStringLiteral("Vantor"),
                      QStringLiteral("This desktop has no notification area for the Vantor icon.\n"
                                     "Right-click the panel to open its menu."),
                      QMessageBox::Ok, &FWindow);
  Notice->setAttribute(Qt::WA_DeleteOnClose);
  Notice->setModal(false);
  connect(Notice, &QMessageBox::finished, this, [this] {
    FChecks.MarkShown();
    deleteLater();
  });
  Notice->show();
}

}  // namespace dravel
