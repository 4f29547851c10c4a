// The program entry: the command line, the help page, one local panel per logon, and
// the main window with its message loop.
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "panel/CommandLine.h"
#include "panel/dravel2a.h"
#include "platform/HelpPage.h"
#include "platform/SingleInstance.h"

namespace {

// SIGTERM and SIGINT arrive on this socket pair, so the main thread can close the
// window (and save) from its event loop.
int SignalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char Byte = 1;
  [[maybe_unused]] const auto Ignored = ::write(SignalPipe[0], &Byte, 1);
}

void CatchTerminationSignals(QObject* Owner, const std::function<void()>& Close) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0) return;
  auto* Notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, Owner);
  QObject::connect(Notifier, &QSocketNotifier::activated, Owner, [Close] {
    char Byte = 0;
    [[maybe_unused]] const auto Ignored = ::read(SignalPipe[1], &Byte, 1);
    Close();
  });
  struct sigaction Action {};
  Action.sa_handler = OnTerminationSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &Action, nullptr);
  sigaction(SIGINT, &Action, nullptr);
}

int ShowHelpPage() {
  try {
    dravel::OpenDocument(dravel::WriteHelpPage().string());
    return 0;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "dravel: %s\n", Error.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  const dravel::TEntryScan Entry = dravel::EntryScan(Args);
  if (Entry.ShowHelp) return ShowHelpPage();

  // Held for the life of the process; a client copy takes no lock.
  std::unique_ptr<dravel::TSingleInstanceLock> Lock;
  if (!Entry.SkipSingleInstance) {
    Lock = std::make_unique<dravel::TSingleInstanceLock>();
    if (!Lock->IsFirstInstance()) {
      dravel::SignalSingleInstanceEvent();
      return 0;
    }
  }

  QApplication App(argc, argv);
  QApplication::setApplicationName(QStringLiteral("dravel"));
  QApplication::setApplicationDisplayName(QString());
  // The panel is a tool window; only the exit sequence ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  dravel::TDravelDisplay Display(Args, nullptr);
  const auto Close = [&Display] { Display.close(); };
  CatchTerminationSignals(&App, Close);
  // The desktop session ending: save as a close would.
  QObject::connect(&App, &QGuiApplication::commitDataRequest, &Display, Close);
  QObject::connect(&App, &QCoreApplication::aboutToQuit, &Display, Close);
  if (Display.Exited()) return 0;
  return QApplication::exec();
}
