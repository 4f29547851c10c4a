#include "panel/NoTrayNotice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>

#include "PanelTestSupport.h"

namespace dravel {
namespace {

using namespace std::chrono_literals;

class NoTrayNoticeTest : public testing::PanelTest {
 protected:
  // Runs the event loop for Time.
  static void Spin(std::chrono::milliseconds Time) {
    QElapsedTimer Clock;
    Clock.start();
    while (Clock.elapsed() < Time.count()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }

  QMessageBox* Notice() const { return Window.findChild<QMessageBox*>(); }

  TNoTrayNotice::TChecks Checks() {
    return {[this] { return Shown; }, [this] { ++Marked; }, [this] { return Tray; }};
  }

  QWidget Window;
  bool Tray = false;
  bool Shown = false;
  int Marked = 0;
};

TEST_F(NoTrayNoticeTest, NoTrayByTheEndOfTheWaitShowsTheNoticeOnceRead) {
  QPointer Watch = new TNoTrayNotice(Window, Checks(), 300ms);
  Spin(100ms);
  EXPECT_EQ(Notice(), nullptr) << "shown before the wait was over";
  Spin(500ms);
  QMessageBox* Box = Notice();
  ASSERT_NE(Box, nullptr);
  EXPECT_TRUE(Box->isVisible());
  EXPECT_FALSE(Box->isModal());
  EXPECT_EQ(Box->icon(), QMessageBox::Information);
  EXPECT_NE(Box->text().indexOf("Right-click the panel"), -1);
  EXPECT_EQ(Marked, 0);
  static_cast<QPushButton*>(Box->button(QMessageBox::Ok))->click();
  Spin(50ms);
  EXPECT_EQ(Marked, 1);
  EXPECT_TRUE(Watch.isNull()) << "the watch stays after it is done";
}

TEST_F(NoTrayNoticeTest, ATraySeenDuringTheWaitKeepsItQuietEvenIfItLeavesAgain) {
  QPointer Watch = new TNoTrayNotice(Window, Checks(), 600ms);
  Spin(100ms);
  Tray = true;
  Spin(400ms);
  Tray = false;
  Spin(400ms);
  EXPECT_EQ(Notice(), nullptr);
  EXPECT_EQ(Marked, 0);
  EXPECT_TRUE(Watch.isNull());
}

TEST_F(NoTrayNoticeTest, ANoticeReadInAnEarlierRunIsNotShownAgain) {
  Shown = true;
  new TNoTrayNotice(Window, Checks(), 100ms);
  Spin(300ms);
  EXPECT_EQ(Notice(), nullptr);
}

}  // namespace
}  // namespace dravel
