#include "DravelfmtConnect.h"

#include <exception>
#include <optional>
#include <ostream>

#include "sampling/RawData.h"

#ifdef DRAVEL_HAVE_LINK
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include "remote/LinkClient.h"
#include "remote/LinkServer.h"
#include "remote/PortText.h"
#endif

namespace dravel {

namespace {
constexpr int ExitLinkFailure = 2;
}

#ifdef DRAVEL_HAVE_LINK

namespace {

// Replies that may go by without a readable record before the password is blamed.
constexpr int UnreadableLimit = 5;
constexpr int ConnectTimeoutMs = 10000;

struct TTarget {
  std::string Host;
  std::uint16_t Port = 6130;
};

std::optional<TTarget> ParseTarget(const std::string& Text) {
  TTarget Target;
  const auto Colon = Text.rfind(':');
  Target.Host = Text.substr(0, Colon);
  if (Colon != std::string::npos) {
    const auto Port = PortFromText(std::string_view(Text).substr(Colon + 1));
    if (!Port) return std::nullopt;
    Target.Port = *Port;
  }
  if (Target.Host.empty()) return std::nullopt;
  return Target;
}

}  // namespace

bool ConnectAvailable() { return true; }

int RunConnect(const TConnectRequest& Request, TRawDataShell& Shell,
               const std::function<void()>& OnRecord, std::ostream& Err) {
  const auto Target = ParseTarget(Request.Target);
  if (!Target) {
    Err << "dravelfmt: --connect wants HOST or HOST:PORT with a port from 1 to 65535, not '"
        << Request.Target << "'\n";
    return ExitLinkFailure;
  }
  const std::string Where = Target->Host + ":" + std::to_string(Target->Port);
  const bool Stream = Request.Count == 0;

  std::optional<QCoreApplication> App;
  static int Argc = 1;
  static char Name[] = "dravelfmt";
  static char* Argv[] = {Name, nullptr};
  if (!QCoreApplication::instance()) App.emplace(Argc, Argv);

  QEventLoop Loop;
  int Result = 0;
  const auto Fail = [&](const std::string& Message) {
    if (Result != 0) return;  // the first failure is the one to tell
    Err << "dravelfmt: " << Message << "\n";
    Result = ExitLinkFailure;
    Loop.quit();
  };
  // A stream lives through a lost link: it says so once per outage and carries on.
  bool Down = false;
  const auto Lost = [&](const std::string& Message) {
    if (!Stream) return Fail(Message);
    if (Down) return;
    Down = true;
    Err << "dravelfmt: " << Message << "; trying again every interval\n";
  };

  TDCP_blowfish Cipher;
  DeriveLinkKey(Cipher, Request.Password);
  int Records = 0;
  int Unreadable = 0;  // replies dropped since the last good one
  bool WasConnected = false;
  bool Fresh = false;  // a record came in since the last tick
  TLinkClient* Link = nullptr;
  QTimer Tick;
  Tick.setInterval(Request.IntervalMs > 0 ? Request.IntervalMs : 1);

  const auto Show = [&] {
    try {
      OnRecord();
    } catch (const std::exception& Error) {
      Fail(Error.what());
    }
  };
  Shell.OnRecord = [&](TRawDataShell&) {
    ++Records;
    Fresh = true;
    if (Down) Err << "dravelfmt: the link to " << Where << " is back\n";
    Down = false;
    Show();
    if (Request.Count > 0 && Records >= Request.Count) Loop.quit();
  };
  TLinkClientEvents Events;
  Events.OnConnect = [&] {
    Link->RequestStep();  // the first request at once, the rest on the timer
    if (WasConnected) return;
    WasConnected = true;
    Tick.start();
  };
  Events.OnReply = [&](const std::uint8_t* Bytes, std::size_t Count) {
    Unreadable = 0;
    Shell.AddBytes(Bytes, Count);
  };
  Events.OnUnreadable = [&] {
    if (++Unreadable > UnreadableLimit)
      Fail("no readable record from " + Where + " (wrong or missing --password?)");
  };
  Events.OnError = [&](const std::string& Why) {
    Lost("cannot reach the server at " + Where + ": " + Why);
  };
  // A refused password stays refused: even a stream ends.
  Events.OnRefused = [&] { Fail(LinkPasswordRefusedText); };
  TLinkClient Client(Cipher, Request.Password, Events);
  Link = &Client;
  Client.SetSecure(Request.Secure);
  Client.SetHost(Target->Host);
  Client.SetPort(Target->Port);
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    if (Request.Stopping && Request.Stopping()) return Loop.quit();
    if (!Client.Connected()) {
      // An attempt still under way is no loss; a failed one has told its own error.
      if (WasConnected) Lost("the server at " + Where + " closed the link");
      // The bar keeps the last figures, refreshed on the beat, while the link is down.
      if (Result == 0 && Records > 0 && !Fresh) Show();
    }
    Fresh = false;
    if (Result == 0) Client.RequestStep();
  });
  std::optional<QSocketNotifier> Wake;
  if (Request.WakeDescriptor >= 0) {
    Wake.emplace(Request.WakeDescriptor, QSocketNotifier::Read);
    QObject::connect(&*Wake, &QSocketNotifier::activated, &Loop, &QEventLoop::quit);
  }
  if (Stream) {
    Tick.start();  // attempts on the beat, whether or not the first one succeeds
  } else {
    QTimer::singleShot(ConnectTimeoutMs, &Loop, [&] {
      if (!WasConnected) Fail("no answer from " + Where + " (connection timed out)");
    });
  }
  Client.Open();
  if (Result == 0) Loop.exec();
  Shell.OnRecord = nullptr;
  return Result;
}

#else

bool ConnectAvailable() { return false; }

int RunConnect(const TConnectRequest&, TRawDataShell&, const std::function<void()>&,
               std::ostream& Err) {
  Err << "dravelfmt: --connect is not available in this build (built without Qt, "
         "DRAVEL_WITH_QT=OFF)\n";
  return ExitLinkFailure;
}

#endif

}  // namespace dravel
