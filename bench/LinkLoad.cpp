// Load on one link server: many clients on loopback, each asking every period for a
// bounded time. Checks that every reply is a whole 312-byte record that decrypts to a
// record beginning with "W" and that no client is starved; reports replies per second
// and, given the server's process id, the server's CPU use over the run. With flooders,
// that many more connections (to 127.0.0.1) ask as fast as the server reads; their replies
// per second and bytes each way are reported, and every polite request must still be
// answered. With --secure the clients speak the link's secure mode with the password.
//
// Usage: link_load_driver HOST:PORT [--password PW] [--clients N] [--period-ms MS]
//                        [--seconds S] [--server-pid PID] [--flooders N] [--secure]
// Exit status 0 when every check holds, 1 otherwise.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "remote/LinkClient.h"
#include "remote/LinkFlooder.h"
#include "sampling/RawData.h"

namespace {

struct TLoadClient {
  dravel::TDCP_blowfish Cipher;
  dravel::TRawDataShell Shell;
  std::unique_ptr<dravel::TLinkClient> Link;
  QTimer Timer;
  long long Bytes = 0;
  long long Records = 0;
  long long Asked = 0;  // requests sent while connected
  int Errors = 0;
  int Connects = 0;
};

// utime + stime of a process, in seconds.
double ProcessCpuSeconds(long Pid) {
  std::ifstream Stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string Line;
  if (!std::getline(Stat, Line)) return -1;
  std::istringstream Fields(Line.substr(Line.rfind(')') + 2));
  std::string Field;
  unsigned long long UTime = 0, STime = 0;
  for (int I = 3; I <= 15 && Fields >> Field; ++I) {
    if (I == 14) UTime = std::stoull(Field);
    if (I == 15) STime = std::stoull(Field);
  }
  return static_cast<double>(UTime + STime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int Argc, char** Argv) {
  QCoreApplication App(Argc, Argv);
  if (Argc < 2) {
    std::fprintf(stderr, "usage: %s HOST:PORT [--password PW] [--clients N] [--period-ms MS] "
                         "[--seconds S] [--server-pid PID] [--flooders N] [--secure]\n", Argv[0]);
    return 2;
  }
  const std::string Target = Argv[1];
  std::string Password;
  int Clients = 200, PeriodMs = 100, Seconds = 20;
  long ServerPid = 0;
  int Flooders = 0;
  bool Secure = false;
  for (int I = 2; I < Argc; ++I) {
    const std::string Name = Argv[I];
    if (Name == "--secure") {
      Secure = true;
      continue;
    }
    if (I + 1 >= Argc) break;
    const std::string Value = Argv[++I];
    if (Name == "--password") Password = Value;
    if (Name == "--clients") Clients = std::stoi(Value);
    if (Name == "--period-ms") PeriodMs = std::stoi(Value);
    if (Name == "--seconds") Seconds = std::stoi(Value);
    if (Name == "--server-pid") ServerPid = std::stol(Value);
    if (Name == "--flooders") Flooders = std::stoi(Value);
  }
  const auto Colon = Target.rfind(':');
  const std::string Host = Target.substr(0, Colon);
  const auto Port = static_cast<std::uint16_t>(std::stoi(Target.substr(Colon + 1)));

  // One key for all clients in the secure mode, derived once off the event loop, so that
  // the load is on the server and not on the driver's Argon2id.
  dravel::TSecureKeySource Keys;
  std::vector<std::unique_ptr<TLoadClient>> All;
  for (int I = 0; I < Clients; ++I) {
    auto C = std::make_unique<TLoadClient>();
    TLoadClient* Raw = C.get();
    dravel::DeriveLinkKey(C->Cipher, Password);
    C->Shell.OnRecord = [Raw](dravel::TRawDataShell&) { ++Raw->Records; };
    dravel::TLinkClientEvents Events;
    // Bytes of replies: as read on the plain link; in the secure mode the records' bytes,
    // since frames are opened whole and the handshake is no reply.
    if (!Secure) {
      Events.OnReadEvent = [Raw](std::size_t Count) {
        Raw->Bytes += static_cast<long long>(Count);
      };
    }
    Events.OnReply = [Raw, Secure](const std::uint8_t* Bytes, std::size_t Count) {
      if (Secure) Raw->Bytes += static_cast<long long>(Count);
      Raw->Shell.AddBytes(Bytes, Count);
    };
    Events.OnError = [Raw](const std::string&) { ++Raw->Errors; };
    Events.OnConnect = [Raw] { ++Raw->Connects; };
    C->Link = std::make_unique<dravel::TLinkClient>(C->Cipher, Password, Events);
    C->Link->SetHost(Host);
    C->Link->SetPort(Port);
    C->Link->SetSecure(Secure);
    C->Link->ShareKeys(Keys);
    C->Timer.setInterval(PeriodMs);
    QObject::connect(&C->Timer, &QTimer::timeout, [Raw] {
      Raw->Asked += Raw->Link->Connected();
      Raw->Link->RequestStep();
    });
    All.push_back(std::move(C));
  }

  std::vector<std::unique_ptr<dravel::testing::TFlooder>> Floods;
  for (int I = 0; I < Flooders; ++I)
    Floods.push_back(std::make_unique<dravel::testing::TFlooder>(Port));
  const double CpuBefore = ServerPid ? ProcessCpuSeconds(ServerPid) : 0;
  QElapsedTimer Clock;
  Clock.start();
  // The clients come up over the first two seconds, as independent machines would, and
  // each asks at once when it starts.
  for (std::size_t I = 0; I < All.size(); ++I) {
    TLoadClient* Raw = All[I].get();
    QTimer::singleShot(static_cast<int>(I * 2000 / All.size()), &Raw->Timer, [Raw] {
      Raw->Link->Open();
      Raw->Timer.start();
    });
  }
  QTimer::singleShot(Seconds * 1000, &App, &QCoreApplication::quit);
  App.exec();
  const double Elapsed = static_cast<double>(Clock.elapsed()) / 1000.0;
  const double CpuUsed = ServerPid ? ProcessCpuSeconds(ServerPid) - CpuBefore : 0;
  long long FloodSent = 0, FloodReceived = 0;
  for (const auto& Flood : Floods) {
    Flood->Stop();
    FloodSent += Flood->Sent();
    FloodReceived += Flood->Received();
  }
  // The replies still on the way to the polite clients.
  for (const auto& C : All) C->Timer.stop();
  QTimer::singleShot(500, &App, &QCoreApplication::quit);
  App.exec();

  long long Bytes = 0, Records = 0, Errors = 0, Asked = 0;
  long long Fewest = -1, Most = 0;
  int Ragged = 0, NeverConnected = 0, Reconnects = 0;
  for (const auto& C : All) {
    Bytes += C->Bytes;
    Records += C->Records;
    Asked += C->Asked;
    Errors += C->Errors;
    NeverConnected += C->Connects == 0;
    Reconnects += C->Connects > 1 ? C->Connects - 1 : 0;
    Fewest = Fewest < 0 ? C->Records : std::min(Fewest, C->Records);
    Most = std::max(Most, C->Records);
    // Bytes of a reply still on the way at the stop do not count against the client.
    if (C->Records != C->Bytes / 312) ++Ragged;
  }
  const long long Expected = static_cast<long long>(Seconds - 2) * 1000 / PeriodMs;
  std::printf("clients %d (%s), period %d ms, %.1f s\n", Clients,
              Secure ? "secure mode" : Password.empty() ? "plain, in clear" : "plain, Blowfish", PeriodMs, Elapsed);
  std::printf("replies %lld (%.0f per second), good records %lld, link errors %lld\n",
              Bytes / 312, static_cast<double>(Bytes / 312) / Elapsed, Records, Errors);
  std::printf("records per client: fewest %lld, most %lld, asked for about %lld\n", Fewest,
              Most, Expected);
  std::printf("clients never connected %d, reconnections %d\n", NeverConnected, Reconnects);
  std::printf("polite requests %lld, answered with a good record %lld\n", Asked, Records);
  if (Flooders > 0)
    std::printf("flooders %d: %lld bytes sent, %lld received, %lld replies (%.0f per second "
                "per flooder)\n", Flooders, FloodSent, FloodReceived, FloodReceived / 312,
                static_cast<double>(FloodReceived / 312) / Elapsed / Flooders);
  if (ServerPid)
    std::printf("server CPU %.2f s over %.1f s (%.0f%% of one core)\n", CpuUsed, Elapsed,
                100.0 * CpuUsed / Elapsed);
  // Starved: a client that got less than half of what it asked for.
  const bool Ok = Errors == 0 && Ragged == 0 && Records == Bytes / 312 && Fewest * 2 >= Expected &&
                  (Flooders == 0 || Records == Asked);
  std::printf("%s\n", Ok ? "PASS" : "FAIL");
  return Ok ? 0 : 1;
}
