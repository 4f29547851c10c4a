// The private Xvfb of the in-process end-to-end tests, and what they share.
#include "XvfbSession.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <csignal>
#include <string>

namespace dravel::e2e {
namespace {

constexpr auto Deadline = std::chrono::seconds(20);

}  // namespace

QString ShotPath(const QString& Name) {
  return QString::fromLocal8Bit(qgetenv("DRAVEL_E2E_SHOTS")) + "/" + Name + ".png";
}

QImage Screenshot(const QString& Name) {
  const QString Path = ShotPath(Name);
  QProcess Import;
  Import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), Path});
  if (!Import.waitForFinished(20000)) {
    Import.kill();
    Import.waitForFinished(2000);
    return {};
  }
  return QImage(Path).convertToFormat(QImage::Format_RGB32);
}

bool WaitFor(const std::function<bool()>& Done) {
  const auto End = std::chrono::steady_clock::now() + Deadline;
  while (std::chrono::steady_clock::now() < End) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (Done()) return true;
    QThread::msleep(50);
  }
  return Done();
}

}  // namespace dravel::e2e

// Starts a private Xvfb before Qt connects to a display, and stops it at the end.
int main(int argc, char** argv) {
  int Pipe[2];
  if (pipe(Pipe) != 0) return 2;
  const pid_t Server = fork();
  if (Server == 0) {
    close(Pipe[0]);
    const std::string Fd = std::to_string(Pipe[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", Fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
           "1600x1200x24", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(Pipe[1]);
  std::string Display;
  char Ch = 0;
  alarm(30);  // Xvfb must report its display in time
  while (read(Pipe[0], &Ch, 1) == 1 && Ch != '\n') Display += Ch;
  alarm(0);
  close(Pipe[0]);
  if (Display.empty()) {
    kill(Server, SIGTERM);
    waitpid(Server, nullptr, 0);
    return 2;
  }
  setenv("DISPLAY", (":" + Display).c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  int Result = 0;
  {
    QApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    Result = RUN_ALL_TESTS();
  }
  kill(Server, SIGTERM);
  waitpid(Server, nullptr, 0);
  return Result;
}
