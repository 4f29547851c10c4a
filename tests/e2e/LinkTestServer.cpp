// A server end of the monitoring link without a panel, for the link's end-to-end test and
// load benchmark: it serves a fixed, recognisable record whose clock field moves with every
// reply. Prints "PORT <n>" once listening; ends on SIGTERM or SIGINT, printing "REPLIES <n>".
// It speaks the secure mode too (key cost libsodium's interactive one, a fresh salt per run);
// --secure-only refuses the plain link.
//
// Usage: link_test_server [--port N] [--password PW] [--secure-only]
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "remote/LinkServer.h"
#include "sampling/RawData.h"

namespace {

int SignalPipe[2];

void OnSignal(int) {
  const char Byte = 1;
  [[maybe_unused]] const auto Ignored = ::write(SignalPipe[1], &Byte, 1);
}

dravel::TRawData TestRecord() {
  dravel::TRawData Data{};
  Data.Marker = dravel::RecordMarker;
  dravel::WriteShortName(Data.CompName, "LINKTEST");
  dravel::WriteShortName(Data.UserName, "linkuser");
  Data.ProcUsage[0] = 42.5f;
  Data.Processes = 123;
  Data.Threads = 456;
  Data.Drives[0].Letter = 'C';
  Data.Drives[0].TotalMB = 1000.0f;
  Data.Drives[0].FreeMB = 250.0f;
  Data.DateTime = 46000.5;
  return Data;
}

}  // namespace

int main(int Argc, char** Argv) {
  QCoreApplication App(Argc, Argv);
  std::uint16_t Port = 0;
  std::string Password;
  dravel::TSecureLinkSettings Secure;
  for (int I = 1; I < Argc; ++I) {
    const bool HasValue = I + 1 < Argc;
    if (std::strcmp(Argv[I], "--secure-only") == 0) Secure.SecureOnly = true;
    if (HasValue && std::strcmp(Argv[I], "--port") == 0) Port = static_cast<std::uint16_t>(std::stoi(Argv[++I]));
    if (HasValue && std::strcmp(Argv[I], "--password") == 0) Password = Argv[++I];
  }

  dravel::TRawData Data = TestRecord();
  long long Replies = 0;
  dravel::TDCP_blowfish Cipher;
  dravel::TLinkServerEvents Events;
  Events.OnListen = [&] {
    if (!Password.empty()) dravel::DeriveLinkKey(Cipher, Password);
  };
  Events.CurrentRecord = [&](dravel::TRecordBytes& Out) {
    ++Replies;
    Data.Uptime = Replies;
    Data.DateTime += 1.0 / 86400;  // a second later for every reply
    const auto Bytes = dravel::RecordBytes(Data);
    std::copy(Bytes.begin(), Bytes.end(), Out.begin());
  };
  Events.OnSecureKeyError = [](const std::string& Why) { std::fprintf(stderr, "secure link key: %s\n", Why.c_str()); };
  dravel::TLinkServer Server(Cipher, Password, Events);
  Server.SetPort(Port);
  Server.SetSecure(Secure);
  try {
    Server.Open();
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "%s\n", Error.what());
    return 1;
  }
  std::printf("PORT %u\n", static_cast<unsigned>(Server.Port()));
  std::fflush(stdout);

  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0) return 1;
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  QSocketNotifier Stop(SignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&Stop, &QSocketNotifier::activated, &App, &QCoreApplication::quit);
  App.exec();
  std::printf("REPLIES %lld\n", Replies);
  return 0;
}
