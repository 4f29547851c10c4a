#include "remote/LinkServer.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "remote/LinkFlooder.h"
#include "remote/LinkTestSupport.h"

namespace dravel {
namespace {

using testing::App;
using testing::ConnectRaw;
using testing::TFlooder;
using testing::SampleRecordBytes;
using testing::WaitFor;

class ServerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Server.SetPort(0);
    Server.Open();
    ASSERT_TRUE(Server.Active());
  }

  TLinkServerEvents Events() {
    TLinkServerEvents E;
    E.CurrentRecord = [this](TRecordBytes& Out) { Out = Record; };
    E.OnListen = [this] {
      ++Listens;
      if (!Password.empty()) DeriveLinkKey(Cipher, Password);
    };
    E.OnAccept = [this] { ++Accepts; };
    E.OnAcceptError = [this] { ++AcceptErrors; };
    E.OnClientRead = [this](std::size_t Bytes, bool Replied) { ReadEvents.emplace_back(Bytes, Replied); };
    return E;
  }

  // A plain peer connected to the server, as a client program would be.
  std::unique_ptr<QTcpSocket> Connect() {
    auto Socket = std::make_unique<QTcpSocket>();
    const int Before = Accepts;
    Socket->connectToHost("127.0.0.1", Server.Port());
    EXPECT_TRUE(WaitFor([&] { return Socket->state() == QAbstractSocket::ConnectedState && Accepts > Before; }));
    return Socket;
  }

  // Sends Bytes in one write and waits until the server has taken all of them.
  void SendAll(QTcpSocket& Peer, const std::string& Bytes) {
    const std::size_t Before = BytesRead();
    Peer.write(Bytes.data(), static_cast<qint64>(Bytes.size()));
    Peer.flush();
    ASSERT_TRUE(WaitFor([&] { return BytesRead() >= Before + Bytes.size(); }));
  }

  std::size_t BytesRead() const {
    std::size_t Sum = 0;
    for (const auto& [Bytes, Replied] : ReadEvents) Sum += Bytes;
    return Sum;
  }

  std::vector<std::pair<std::size_t, bool>> ReadEvents;
  int Listens = 0, Accepts = 0, AcceptErrors = 0;
  std::string Password;
  TDCP_blowfish Cipher;
  TRecordBytes Record = SampleRecordBytes(1);
  TLinkServer Server{Cipher, Password, Events()};
};

using TReadLog = std::vector<std::pair<std::size_t, bool>>;

TEST_F(ServerFixture, OneRequestByteGivesOneClearReply) {
  auto Peer = Connect();
  SendAll(*Peer, "W");
  EXPECT_EQ(ReadEvents, (TReadLog{{1, true}}));
  ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() >= 312; }));
  const QByteArray Reply = Peer->readAll();
  ASSERT_EQ(Reply.size(), 312);
  EXPECT_EQ(0, std::memcmp(Reply.data(), Record.data(), Record.size()));
  EXPECT_EQ(Reply[0], 'W');
}

TEST_F(ServerFixture, OnlyTheLastByteOfAReadCounts) {
  auto Peer = Connect();
  SendAll(*Peer, "XW");
  SendAll(*Peer, "WX");
  EXPECT_EQ(ReadEvents, (TReadLog{{2, true}, {2, false}}));
}

TEST_F(ServerFixture, SeveralRequestsInOneReadGetOneReply) {
  auto Peer = Connect();
  SendAll(*Peer, "WWW");
  EXPECT_EQ(ReadEvents, (TReadLog{{3, true}}));
  ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() >= 312; }));
  SendAll(*Peer, "W");  // its reply follows any others still on the way
  ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() >= 624; }));
  testing::Settle();
  EXPECT_EQ(Peer->bytesAvailable(), 624);
}

TEST_F(ServerFixture, TwelveQueuedBytesAreReadAsTenThenTwo) {
  auto Peer = Connect();
  SendAll(*Peer, "XXXXXXXXXWXW");
  SendAll(*Peer, "XXXXXXXXXWWX");
  EXPECT_EQ(ReadEvents, (TReadLog{{10, true}, {2, true}, {10, true}, {2, false}}));
}

TEST_F(ServerFixture, RepliesAreEncryptedWhenThePasswordIsSet) {
  Server.Close();
  Password = "secret";
  Server.Open();
  EXPECT_EQ(Listens, 2);
  auto Peer = Connect();
  TDCP_blowfish Mine;
  DeriveLinkKey(Mine, "secret");
  for (int Reply = 1; Reply <= 3; ++Reply) {
    SendAll(*Peer, "W");
    ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() >= 312; }));
    QByteArray Bytes = Peer->read(312);
    EXPECT_NE(0, std::memcmp(Bytes.data(), Record.data(), Record.size()));
    auto* Data = reinterpret_cast<std::uint8_t*>(Bytes.data());
    Mine.DecryptChained(Data, Data, 312);
    EXPECT_EQ(0, std::memcmp(Data, Record.data(), Record.size())) << "reply " << Reply;
  }
}

TEST_F(ServerFixture, EachConnectionHasItsOwnChain) {
  Server.Close();
  Password = "shared";
  Server.Open();
  auto First = Connect();
  auto Second = Connect();
  TDCP_blowfish FirstCipher, SecondCipher;
  DeriveLinkKey(FirstCipher, "shared");
  DeriveLinkKey(SecondCipher, "shared");
  // Interleaved requests: with one chain for all, each would break the other's next reply.
  for (int Round = 0; Round < 3; ++Round) {
    for (auto* Pair : {&First, &Second}) {
      QTcpSocket& Peer = **Pair;
      TDCP_blowfish& Mine = Pair == &First ? FirstCipher : SecondCipher;
      SendAll(Peer, "W");
      ASSERT_TRUE(WaitFor([&] { return Peer.bytesAvailable() >= 312; }));
      QByteArray Bytes = Peer.read(312);
      auto* Data = reinterpret_cast<std::uint8_t*>(Bytes.data());
      Mine.DecryptChained(Data, Data, 312);
      EXPECT_EQ(0, std::memcmp(Data, Record.data(), Record.size())) << "round " << Round;
    }
  }
}

TEST_F(ServerFixture, APortInUseIsReportedAndLeavesTheSecondServerClosed) {
  int OtherListens = 0;
  TLinkServerEvents E;
  E.OnListen = [&] { ++OtherListens; };
  TLinkServer Other(Cipher, Password, E);
  Other.SetPort(Server.Port());
  const std::string Expected = std::string("Windows socket error: ") + std::strerror(EADDRINUSE) +
                               " (" + std::to_string(EADDRINUSE) + "), on API 'bind'";
  try {
    Other.Open();
    FAIL() << "the port was bound twice";
  } catch (const ESocketError& Error) {
    EXPECT_EQ(Error.what(), Expected);
    EXPECT_EQ(Error.Code(), EADDRINUSE);
  }
  EXPECT_FALSE(Other.Active());
  EXPECT_EQ(OtherListens, 0);
}

TEST_F(ServerFixture, ClosingDropsEveryConnection) {
  auto First = Connect();
  auto Second = Connect();
  EXPECT_EQ(Server.ConnectionCount(), 2);
  Server.Close();
  EXPECT_FALSE(Server.Active());
  EXPECT_EQ(Server.ConnectionCount(), 0);
  EXPECT_TRUE(WaitFor([&] {
    return First->state() == QAbstractSocket::UnconnectedState &&
           Second->state() == QAbstractSocket::UnconnectedState;
  }));
}

TEST_F(ServerFixture, APeerThatStopsReadingIsDisconnected) {
  // Without the reply budget in the way, so that replies pile up as fast as they can.
  TLinkLimits Unbounded;
  Unbounded.RepliesPerSecond = Unbounded.ReplyBurst = 1e9;
  Unbounded.ConnectionCpuShare = Unbounded.TotalCpuShare = 1e3;
  Unbounded.ConnectionCpuBurst = Unbounded.TotalCpuBurst = 1e3;
  Server.SetLimits(Unbounded);
  QTcpSocket Peer;
  Peer.setReadBufferSize(64);  // takes almost nothing off the wire
  const int Before = Accepts;
  Peer.connectToHost("127.0.0.1", Server.Port());
  ASSERT_TRUE(WaitFor([&] { return Accepts > Before; }));
  // Far more replies than the socket buffers of both ends and the backlog limit hold.
  std::string Flood;
  for (int I = 0; I < 40000; ++I) Flood += "XXXXXXXXXW";
  Peer.write(Flood.data(), static_cast<qint64>(Flood.size()));
  EXPECT_TRUE(WaitFor([&] { return Server.ConnectionCount() == 0; }, 60000));
  // It was cut off part way, after the buffers had filled with replies.
  EXPECT_LT(BytesRead(), Flood.size());
  std::size_t Replies = 0;
  for (const auto& [Bytes, Replied] : ReadEvents) Replies += Replied;
  EXPECT_GT(Replies * 312, static_cast<std::size_t>(ServerSendBacklogLimit));
}

// Asks on a plain socket and waits, running the server's loop, for one whole reply.
bool AskRaw(int Fd) {
  if (::send(Fd, "W", 1, MSG_NOSIGNAL) != 1) return false;
  std::size_t Got = 0;
  char Buffer[RawDataSize];
  return WaitFor([&] {
    pollfd Poll{Fd, POLLIN, 0};
    if (::poll(&Poll, 1, 0) == 1) {
      const ssize_t Count = ::recv(Fd, Buffer, sizeof Buffer - Got, MSG_DONTWAIT);
      if (Count > 0) Got += static_cast<std::size_t>(Count);
    }
    return Got == RawDataSize;
  });
}

TEST_F(ServerFixture, OutOfDescriptorsAcceptingRestsAndThenResumes) {
  const int Peer = ConnectRaw(Server.Port());  // queued until the server can accept it
  ASSERT_GE(Peer, 0);
  rlimit Old{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &Old), 0);
  const int Lowest = ::dup(0);
  ASSERT_GE(Lowest, 0);
  ::close(Lowest);
  rlimit Exhausted = Old;
  Exhausted.rlim_cur = static_cast<rlim_t>(Lowest);  // no descriptor can be made now
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &Exhausted), 0);
  const bool Failed = WaitFor([&] { return AcceptErrors >= 1; }, 5000);
  const QDeadlineTimer Span(500);
  while (!Span.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  const int Errors = AcceptErrors;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &Old), 0);
  ASSERT_TRUE(Failed);
  // Tried again about every 100 ms, not in a busy loop, and never accepted meanwhile.
  EXPECT_GE(Errors, 3);
  EXPECT_LE(Errors, 12);
  EXPECT_EQ(Accepts, 0);
  EXPECT_TRUE(Server.Active());
  // With descriptors back, the waiting connection is accepted and answered.
  EXPECT_TRUE(WaitFor([&] { return Accepts == 1; }, 2000));
  EXPECT_TRUE(AskRaw(Peer));
  ::close(Peer);
}

TEST_F(ServerFixture, PastTheCapTheQuietestConnectionIsClosedFirst) {
  Server.SetConnectionCap(3);
  const int Talker = ConnectRaw(Server.Port());
  ASSERT_TRUE(WaitFor([&] { return Accepts == 1; }));
  ASSERT_TRUE(AskRaw(Talker));
  auto Silent = Connect();
  const int Second = ConnectRaw(Server.Port());
  ASSERT_TRUE(WaitFor([&] { return Accepts == 3; }));
  ASSERT_TRUE(AskRaw(Second));
  // A fourth: the one that never said anything goes, not those that asked.
  auto Newcomer = Connect();
  EXPECT_TRUE(WaitFor([&] { return Silent->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(Server.ConnectionCount(), 3);
  ASSERT_TRUE(AskRaw(Second));
  // A fifth: of the two that have asked, the one quiet for longer goes... but the
  // silent newcomer is quieter still.
  auto Fifth = Connect();
  EXPECT_TRUE(WaitFor([&] { return Newcomer->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(Server.ConnectionCount(), 3);
  EXPECT_TRUE(AskRaw(Talker));
  EXPECT_TRUE(AskRaw(Second));
  ::close(Talker);
  ::close(Second);
}

double ThreadSeconds() {
  rusage Usage{};
  ::getrusage(RUSAGE_THREAD, &Usage);
  return static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
         static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(ServerFixture, AClientTickingEveryMillisecondIsAnsweredEveryTick) {
  Server.Close();
  Password = "fast";
  Server.Open();
  auto Fast = Connect();
  int Asked = 0;
  QTimer Tick;
  Tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    Fast->write("W", 1);
    Fast->flush();
    ++Asked;
  });
  Tick.start(1);
  const TCpuTime ChargedBefore = Server.Budget().Charged();
  QEventLoop Loop;
  QTimer::singleShot(2000, &Loop, &QEventLoop::quit);
  Loop.exec();
  Tick.stop();
  const double Charged = std::chrono::duration<double>(Server.Budget().Charged() - ChargedBefore).count();
  std::size_t Replies = 0;
  for (const auto& [Bytes, Replied] : ReadEvents) Replies += Replied;
  ASSERT_TRUE(WaitFor([&] { return Fast->bytesAvailable() >= static_cast<qint64>(Replies * 312); }));
  std::printf("fast: %d asked, %zu read events, %zu replies, answering %.4f s\n", Asked,
              ReadEvents.size(), Replies, Charged);
  // Requests that arrive together are one read event, answered once, as always.
  EXPECT_EQ(Replies, ReadEvents.size());
  EXPECT_GE(Asked, 1000);
}

TEST_F(ServerFixture, AFloodIsHeldToItsBudgetWhileATenHertzClientKeepsEveryReply) {
  Server.Close();
  Password = "flood";
  Server.Open();
  auto Normal = Connect();
  TFlooder Flooder(Server.Port());
  ASSERT_TRUE(Flooder.Connected());
  int Asked = 0;
  QTimer Tick;
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    Normal->write("W", 1);
    ++Asked;
  });
  Tick.start(100);
  const double CpuBefore = ThreadSeconds();
  const TCpuTime ChargedBefore = Server.Budget().Charged();
  QElapsedTimer Clock;
  Clock.start();
  QEventLoop Loop;
  QTimer::singleShot(3000, &Loop, &QEventLoop::quit);
  Loop.exec();
  Tick.stop();
  const double Seconds = static_cast<double>(Clock.nsecsElapsed()) / 1e9;
  const double Cpu = ThreadSeconds() - CpuBefore;
  const double Charged = std::chrono::duration<double>(Server.Budget().Charged() - ChargedBefore).count();
  Flooder.Stop();
  // Every request of the polite client is answered, and with a whole record.
  ASSERT_TRUE(WaitFor([&] { return Normal->bytesAvailable() >= Asked * 312; }));
  EXPECT_EQ(Normal->bytesAvailable(), Asked * 312);
  EXPECT_GE(Asked, 25);
  const long long FloodReplies = Flooder.Received() / 312;
  std::printf("flood: %lld bytes sent, %lld replies (%.0f/s); server thread %.3f s of %.1f s, "
              "answering %.3f s; polite client %d of %d\n",
              Flooder.Sent(), FloodReplies, FloodReplies / Seconds, Cpu, Seconds, Charged,
              static_cast<int>(Normal->bytesAvailable() / 312), Asked);
  EXPECT_GT(FloodReplies, 100);
  EXPECT_LE(FloodReplies, static_cast<long long>(1000 * Seconds) + 100 + 1);
  // Answering: one percent of a processor for each of the two, with their bursts.
  EXPECT_LE(Charged, 2 * (0.01 * Seconds + 0.02) + 0.01);
  // The whole server thread, reading and resting included, stays a small share.
  EXPECT_LE(Cpu, 0.05 * Seconds);
}

}  // namespace
}  // namespace dravel
