// The running panel's side of the single-instance channel.
#include "panel/WakeListener.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/SingleInstance.h"

namespace dravel {
namespace {

class WakeListener : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int Argc = 1;
    static char Name[] = "wake_listener_test";
    static char* Argv[] = {Name, nullptr};
    // A full application: the window tests in this program need one.
    if (QCoreApplication::instance() == nullptr) static QApplication App(Argc, Argv);
  }
  void SetUp() override {
    ASSERT_TRUE(FRuntime.isValid());
    setenv("XDG_RUNTIME_DIR", FRuntime.path().toLocal8Bit().constData(), 1);
  }
  // Runs the event loop until Done holds or five seconds pass; Done runs once a round.
  template <typename TDone> static bool Until(TDone Done) {
    const QDeadlineTimer Deadline(5000);
    for (;;) {
      if (Done()) return true;
      if (Deadline.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(5);
    }
  }

 private:
  QTemporaryDir FRuntime;
};

TEST_F(WakeListener, ASecondStartRunsTheHandlerOnTheMainThread) {
  QObject Receiver;
  int Wakes = 0;
  bool OnMainThread = false;
  TWakeListener Listener;
  Listener.Start(&Receiver, [&] {
    ++Wakes;
    OnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  ASSERT_TRUE(Until([] { return SignalSingleInstanceEvent(); }));
  EXPECT_TRUE(Until([&] { return Wakes == 1; }));
  EXPECT_TRUE(OnMainThread);
  ASSERT_TRUE(SignalSingleInstanceEvent());
  EXPECT_TRUE(Until([&] { return Wakes == 2; }));
}

TEST_F(WakeListener, OneSignalWakesExactlyOneOfTwoWindows) {
  QObject Receiver;
  int Wakes = 0;
  TWakeListener First;
  TWakeListener Second;
  First.Start(&Receiver, [&] { ++Wakes; });
  Second.Start(&Receiver, [&] { ++Wakes; });
  ASSERT_TRUE(Until([] { return SignalSingleInstanceEvent(); }));
  EXPECT_TRUE(Until([&] { return Wakes == 1; }));
  QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
  EXPECT_EQ(Wakes, 1);
}

TEST_F(WakeListener, DestroyingTheListenerEndsItsThread) {
  QObject Receiver;
  auto Listener = std::make_unique<TWakeListener>();
  Listener->Start(&Receiver, [] {});
  Listener.reset();  // would hang here if the wait could not be stopped
  SUCCEED();
}

}  // namespace
}  // namespace dravel
