// The program entry: the command line, the help page, one local panel per logon, and
// the main window with its message loop; or the headless server.
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

#include "panel/CommandLine.h"
#include "panel/TrayPictures.h"
#include "panel/dravel2a.h"
#include "platform/HelpPage.h"
#include "platform/ProcessResources.h"
#include "platform/SingleInstance.h"
#include "platform/XDisplay.h"
#include "server/ServerMain.h"
#include "server/SignalChannel.h"

namespace {

int ShowHelpPage() {
  try {
    const std::string Page = dravel::WriteHelpPage().string();
    // Without an opener (or a browser behind it) the page is still there to read.
    if (!dravel::OpenDocument(Page)) {
      std::printf("%s\n", Page.c_str());
      std::fprintf(stderr, "dravel: no program could open the help page; it is at the path above\n");
    }
    return 0;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "dravel: %s\n", Error.what());
    return 1;
  }
}

// Placement, stacking, pinning and the colour-key cut-out are X11 requests, which Qt's
// Wayland platform would drop: unless the user chose a platform, the panel runs on X11,
// which on a Wayland session is XWayland. Chosen tells whether the platform was set here.
// False when no X display can be reached at all (said in one line on standard error).
bool SelectX11Platform(bool& Chosen) {
  Chosen = false;
  if (const char* Platform = std::getenv("QT_QPA_PLATFORM"); Platform && *Platform) return true;
  std::string Why;
  if (!dravel::platform::XDisplayReachable(Why)) {
    std::fprintf(stderr, "dravel: %s; the panel needs an X11 display (XWayland on a Wayland session)\n",
                 Why.c_str());
    return false;
  }
  Chosen = ::setenv("QT_QPA_PLATFORM", "xcb", 1) == 0;
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  // Every web or link caller holds a descriptor; the usual soft limit of 1024 is far
  // below what the hard limit allows. Both roles serve them.
  dravel::RaiseOpenFileLimit();
  // The headless server needs no display and takes its own lock.
  if (dravel::ServeRequested(Args)) return dravel::RunServer(argc, argv, Args);
  const dravel::TEntryScan Entry = dravel::EntryScan(Args);
  if (Entry.ShowHelp) return ShowHelpPage();
  // Answered before any display or running copy is looked at.
  if (Entry.ShowUsage || Entry.ShowVersion) {
    std::fputs((Entry.ShowUsage ? dravel::ProgramUsage() : dravel::ProgramVersion()).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }

  bool PlatformChosen = false;
  if (!SelectX11Platform(PlatformChosen)) return 1;

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
  // Programs the panel starts (the help page's browser) choose their own platform.
  if (PlatformChosen) ::unsetenv("QT_QPA_PLATFORM");
  QApplication::setApplicationName(QStringLiteral("dravel"));
  QApplication::setApplicationDisplayName(QString());
  QApplication::setWindowIcon(dravel::ApplicationIcon());
  // The panel is a tool window; only the exit sequence ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  dravel::TDravelDisplay Display(Args, nullptr);
  const auto Close = [&Display] { Display.close(); };
  // SIGTERM and SIGINT close the window (and save) from the event loop.
  const dravel::TSignalChannel Signals({SIGTERM, SIGINT}, [&Close](int) { Close(); });
  // The desktop session ending: save as a close would.
  QObject::connect(&App, &QGuiApplication::commitDataRequest, &Display, Close);
  QObject::connect(&App, &QCoreApplication::aboutToQuit, &Display, Close);
  if (Display.Exited()) return 0;
  return QApplication::exec();
}
