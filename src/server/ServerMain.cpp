#include "server/ServerMain.h"

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "platform/SingleInstance.h"
#include "server/DravelServer.h"
#include "server/ServerOptions.h"
#include "server/SignalChannel.h"

namespace dravel {

namespace {

constexpr const char* ServeSwitch = "--serve";
// The server's own lock, apart from the panel's, so that both may run side by side.
constexpr const char* ServerLockName = "DravelServerMutex";

void LogLine(const std::string& Line) {
  std::fprintf(stderr, "%s\n", Line.c_str());
  std::fflush(stderr);
}

}  // namespace

bool ServeRequested(const std::vector<std::string>& Args) {
  return std::find(Args.begin(), Args.end(), ServeSwitch) != Args.end();
}

int RunServer(int argc, char* argv[], const std::vector<std::string>& Args) {
  std::vector<std::string> Rest;
  std::copy_if(Args.begin(), Args.end(), std::back_inserter(Rest),
               [](const std::string& Arg) { return Arg != ServeSwitch; });
  TServerOptions Options;
  try {
    Options = ParseServerOptions(Rest);
  } catch (const EServerOptions& Error) {
    LogLine(Error.what());
    return 2;
  }
  const TSingleInstanceLock Lock(SingleInstanceFolder(), ServerLockName);
  if (!Lock.IsFirstInstance()) {
    LogLine("dravel: a server of this user is already running");
    return 1;
  }

  QCoreApplication App(argc, argv);
  TDravelServer Server(std::move(Options), QCoreApplication::applicationFilePath().toStdString(), LogLine);
  if (const std::string Error = Server.Start(); !Error.empty()) {
    LogLine(Error);
    return 1;
  }
  const TSignalChannel Signals({SIGTERM, SIGINT, SIGHUP}, [&Server](int Signal) {
    if (Signal == SIGHUP) {
      Server.Reload();
      return;
    }
    Server.Stop();
    QCoreApplication::quit();
  });
  return QCoreApplication::exec();
}

}  // namespace dravel
