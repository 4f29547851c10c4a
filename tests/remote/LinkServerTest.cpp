#include "remote/LinkServer.h"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "remote/LinkTestSupport.h"

namespace dravel {
namespace {

using testing::App;
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
  int Listens = 0, Accepts = 0;
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

}  // namespace
}  // namespace dravel
