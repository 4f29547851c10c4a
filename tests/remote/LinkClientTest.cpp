#include "remote/LinkClient.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <cstring>
#include <string>
#include <vector>

#include "remote/LinkServer.h"
#include "remote/LinkTestSupport.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

using testing::App;
using testing::SampleRecordBytes;
using testing::WaitFor;

// A client wired as the panel wires it: every read goes to a record holder.
struct TClientSide {
  explicit TClientSide(std::string LinkPassword) : Password(std::move(LinkPassword)) {
    DeriveLinkKey(Cipher, Password);
    Shell.OnRecord = [this](TRawDataShell&) { ++Records; };
  }
  TLinkClientEvents Events() {
    TLinkClientEvents E;
    E.OnConnect = [this] { ++Connects; };
    E.OnReadEvent = [this](std::size_t Count) { Chunks.push_back(Count); };
    E.OnReply = [this](const std::uint8_t* Bytes, std::size_t Count) {
      Replies.push_back(Count);
      Shell.AddBytes(Bytes, Count);
    };
    E.OnUnreadable = [this] { ++Unreadable; };
    E.OnError = [this](const std::string&) { ++Errors; };
    return E;
  }
  bool HoldsRecord(const TRecordBytes& Record) const {
    return std::memcmp(&Shell.Data, Record.data(), Record.size()) == 0;
  }

  std::string Password;
  TDCP_blowfish Cipher;
  TRawDataShell Shell;
  int Records = 0, Connects = 0, Errors = 0, Unreadable = 0;
  std::vector<std::size_t> Chunks, Replies;
  TLinkClient Client{Cipher, Password, Events()};
};

// A hand-driven server end for the client's read tests.
class FakeServer : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(Listener.listen(QHostAddress::LocalHost));
    Side.Client.SetHost("127.0.0.1");
    Side.Client.SetPort(Listener.serverPort());
    Side.Client.RequestStep();
    ASSERT_TRUE(WaitFor([&] { return Listener.hasPendingConnections() && Side.Client.Connected(); }));
    Peer = Listener.nextPendingConnection();
  }

  void Write(const std::uint8_t* Bytes, std::size_t Count) {
    Peer->write(reinterpret_cast<const char*>(Bytes), static_cast<qint64>(Count));
    Peer->flush();
  }
  std::size_t Received() const {
    std::size_t Sum = 0;
    for (const std::size_t C : Side.Chunks) Sum += C;
    return Sum;
  }

  QTcpServer Listener;
  TClientSide Side{""};
  QTcpSocket* Peer = nullptr;
};

TEST_F(FakeServer, ARequestStepWhileConnectedSendsOneW) {
  EXPECT_EQ(Side.Connects, 1);
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() >= 1; }));
  EXPECT_EQ(Peer->readAll(), QByteArray("W"));
}

TEST_F(FakeServer, ARecordSplitOverTwoReadsIsAssembledOnce) {
  const TRecordBytes Record = SampleRecordBytes(3);
  Write(Record.data(), 100);
  ASSERT_TRUE(WaitFor([&] { return Received() == 100; }));
  EXPECT_EQ(Side.Records, 0);
  Write(Record.data() + 100, 212);
  ASSERT_TRUE(WaitFor([&] { return Side.Records == 1; }));
  EXPECT_TRUE(Side.HoldsRecord(Record));
}

TEST_F(FakeServer, ReadsTakeAtMost1024BytesEach) {
  std::vector<std::uint8_t> Stream;
  for (std::uint8_t Seed = 0; Seed < 10; ++Seed) {
    const TRecordBytes Record = SampleRecordBytes(Seed);
    Stream.insert(Stream.end(), Record.begin(), Record.end());
  }
  Write(Stream.data(), Stream.size());
  ASSERT_TRUE(WaitFor([&] { return Received() == Stream.size(); }));
  for (const std::size_t C : Side.Chunks) EXPECT_LE(C, 1024u);
  EXPECT_GE(Side.Chunks.size(), 4u);
  EXPECT_EQ(Side.Records, 10);
  EXPECT_TRUE(Side.HoldsRecord(SampleRecordBytes(9)));
}

TEST_F(FakeServer, AReplyNotBeginningWithWIsDroppedWhole) {
  TRecordBytes Bad = SampleRecordBytes(6);
  Bad[0] = 'X';
  Bad[100] = 'W';  // a stray "W" inside must not start a record
  const TRecordBytes Good = SampleRecordBytes(7);
  Write(Bad.data(), Bad.size());
  Write(Good.data(), Good.size());
  ASSERT_TRUE(WaitFor([&] { return Received() == 624; }));
  EXPECT_EQ(Side.Unreadable, 1);
  EXPECT_EQ(Side.Replies, std::vector<std::size_t>{312});
  EXPECT_EQ(Side.Records, 1);
  EXPECT_TRUE(Side.HoldsRecord(Good));
}

TEST_F(FakeServer, EachConnectionCutsRepliesFromItsOwnStart) {
  const TRecordBytes Record = SampleRecordBytes(8);
  Write(Record.data(), 200);  // the connection drops part way through a reply
  ASSERT_TRUE(WaitFor([&] { return Received() == 200; }));
  Peer->abort();
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return !Side.Client.Connected(); }));
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Listener.hasPendingConnections() && Side.Client.Connected(); }));
  Peer = Listener.nextPendingConnection();
  Write(Record.data(), Record.size());
  ASSERT_TRUE(WaitFor([&] { return Received() == 512; }));
  EXPECT_EQ(Side.Replies, std::vector<std::size_t>{312});
  EXPECT_EQ(Side.Unreadable, 0);
}

TEST_F(FakeServer, AServerThatStopsAnsweringIsGivenUpAndTriedAgain) {
  Side.Client.SetStallLimit(3, 0);
  for (int Request = 0; Request < 3; ++Request) Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Peer->bytesAvailable() == 3; }));
  EXPECT_EQ(Side.Errors, 0);
  Side.Client.RequestStep();
  EXPECT_EQ(Side.Errors, 1);
  EXPECT_TRUE(WaitFor([&] { return Listener.hasPendingConnections() && Side.Client.Connected(); }));
}

TEST_F(FakeServer, AnyReplyKeepsTheConnection) {
  Side.Client.SetStallLimit(3, 0);
  const TRecordBytes Record = SampleRecordBytes(9);
  for (int Round = 0; Round < 3; ++Round) {
    for (int Request = 0; Request < 2; ++Request) Side.Client.RequestStep();
    Write(Record.data(), Record.size());
    ASSERT_TRUE(WaitFor([&] { return Side.Records == Round + 1; }));
  }
  EXPECT_EQ(Side.Errors, 0);
  EXPECT_EQ(Side.Connects, 1);
}

// The same hand-driven server end on an encrypted link: it encrypts each reply whole, its
// chain carried on, and cuts it into the reads the client is to see.
class EncryptedFakeServer : public FakeServer {
 protected:
  void SetUp() override {
    Side.Password = "split replies";
    DeriveLinkKey(Side.Cipher, Side.Password);
    DeriveLinkKey(ServerCipher, Side.Password);
    Chain = ServerCipher.IV();
    FakeServer::SetUp();
  }
  // Sends one encrypted reply in reads cut at Cuts, each read taken before the next goes.
  void SendSplit(const TRecordBytes& Record, const std::vector<std::size_t>& Cuts) {
    TRecordBytes Wire;
    ServerCipher.EncryptChained(Chain, Record.data(), Wire.data(), Wire.size());
    std::size_t From = 0;
    const std::size_t Before = Received();
    for (const std::size_t Cut : Cuts) {
      Write(Wire.data() + From, Cut - From);
      ASSERT_TRUE(WaitFor([&] { return Received() == Before + Cut; }));
      From = Cut;
    }
    Write(Wire.data() + From, Wire.size() - From);
    ASSERT_TRUE(WaitFor([&] { return Received() == Before + Wire.size(); }));
  }

  TDCP_blowfish ServerCipher;
  TChainBlock Chain{};
};

TEST_F(EncryptedFakeServer, AReplySplitInTwoAtEveryOffsetDecodesExactly) {
  for (std::size_t Cut = 1; Cut < RawDataSize; ++Cut) {
    const TRecordBytes Record = SampleRecordBytes(static_cast<std::uint8_t>(Cut));
    SendSplit(Record, {Cut});
    ASSERT_EQ(Side.Records, static_cast<int>(Cut)) << "cut at " << Cut;
    ASSERT_TRUE(Side.HoldsRecord(Record)) << "cut at " << Cut;
  }
  EXPECT_EQ(Side.Unreadable, 0);
}

TEST_F(EncryptedFakeServer, AReplySplitInThreeDecodesExactly) {
  // Cuts on, next to and far from block boundaries, in every pairing.
  const std::vector<std::size_t> Offsets{1, 7, 8, 9, 15, 100, 155, 156, 157, 212, 303, 304, 305, 311};
  int Sent = 0;
  for (const std::size_t First : Offsets) {
    for (const std::size_t Second : Offsets) {
      if (Second <= First) continue;
      const TRecordBytes Record = SampleRecordBytes(static_cast<std::uint8_t>(First + Second));
      SendSplit(Record, {First, Second});
      ASSERT_EQ(Side.Records, ++Sent) << "cuts at " << First << " and " << Second;
      ASSERT_TRUE(Side.HoldsRecord(Record)) << "cuts at " << First << " and " << Second;
    }
  }
  EXPECT_EQ(Side.Unreadable, 0);
}

TEST_F(FakeServer, AClearReplySplitInTwoAtEveryOffsetDecodesExactly) {
  for (std::size_t Cut = 1; Cut < RawDataSize; Cut += 5) {
    const TRecordBytes Record = SampleRecordBytes(static_cast<std::uint8_t>(Cut));
    const std::size_t Before = Received();
    Write(Record.data(), Cut);
    ASSERT_TRUE(WaitFor([&] { return Received() == Before + Cut; }));
    Write(Record.data() + Cut, Record.size() - Cut);
    ASSERT_TRUE(WaitFor([&] { return Received() == Before + Record.size(); }));
    ASSERT_TRUE(Side.HoldsRecord(Record)) << "cut at " << Cut;
  }
}

TEST(ClientConnection, ARefusedAttemptReportsAnErrorAndIsRetriedAtTheNextStep) {
  App();
  TClientSide Side("");
  QTcpServer Probe;
  ASSERT_TRUE(Probe.listen(QHostAddress::LocalHost));
  const quint16 Port = Probe.serverPort();
  Probe.close();
  Side.Client.SetHost("127.0.0.1");
  Side.Client.SetPort(Port);
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  EXPECT_FALSE(Side.Client.Connected());
  ASSERT_TRUE(Probe.listen(QHostAddress::LocalHost, Port));
  Side.Client.RequestStep();
  EXPECT_TRUE(WaitFor([&] { return Side.Client.Connected(); }));
  EXPECT_EQ(Side.Connects, 1);
}

TEST(ClientConnection, AnUnknownHostReportsAnError) {
  App();
  TClientSide Side("");
  Side.Client.SetHost("no-such-host.invalid");
  Side.Client.SetPort(6130);
  Side.Client.RequestStep();
  EXPECT_TRUE(WaitFor([&] { return Side.Errors == 1; }, 30000));
}

// Client and server roles together, each with its own cipher as two programs would have.
class LinkedRoles : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Server.SetPort(0);
    Server.Open();
  }
  TLinkServerEvents ServerEvents() {
    TLinkServerEvents E;
    E.CurrentRecord = [this](TRecordBytes& Out) { Out = Record; };
    E.OnListen = [this] {
      if (!ServerPassword.empty()) DeriveLinkKey(ServerCipher, ServerPassword);
    };
    return E;
  }
  void Start(TClientSide& Side) {
    Side.Client.SetHost("127.0.0.1");
    Side.Client.SetPort(Server.Port());
    Side.Client.RequestStep();
    ASSERT_TRUE(WaitFor([&] { return Side.Client.Connected(); }));
  }
  // One request and its reply fully read.
  void Tick(TClientSide& Side) {
    const std::size_t Before = Side.Chunks.size();
    Side.Client.RequestStep();
    std::size_t Wanted = 312;
    ASSERT_TRUE(WaitFor([&] {
      std::size_t Got = 0;
      for (std::size_t I = Before; I < Side.Chunks.size(); ++I) Got += Side.Chunks[I];
      return Got >= Wanted;
    }));
  }

  std::string ServerPassword = "two words";
  TDCP_blowfish ServerCipher;
  TRecordBytes Record = SampleRecordBytes(5);
  TLinkServer Server{ServerCipher, ServerPassword, ServerEvents()};
};

TEST_F(LinkedRoles, TwoEncryptedClientsBothRefresh) {
  TClientSide First("two words"), Second("two words");
  Start(First);
  Start(Second);
  for (int Round = 0; Round < 3; ++Round) {
    Tick(First);
    Tick(Second);
  }
  EXPECT_EQ(First.Records, 3);
  EXPECT_EQ(Second.Records, 3);
  EXPECT_TRUE(First.HoldsRecord(Record));
}

TEST_F(LinkedRoles, AWrongOrMissingPasswordRefreshesNothing) {
  TClientSide Wrong("Two Words"), None("");
  Start(Wrong);
  Start(None);
  for (int Round = 0; Round < 3; ++Round) {
    Tick(Wrong);
    Tick(None);
  }
  // Nothing readable arrives and nothing is reported. (A garbage reply whose first byte
  // happens to be "W" cannot be told from a record, so only the content is judged.)
  EXPECT_FALSE(Wrong.HoldsRecord(Record));
  EXPECT_GE(Wrong.Unreadable + None.Unreadable, 4);
  EXPECT_FALSE(None.HoldsRecord(Record));
  EXPECT_EQ(Wrong.Errors + None.Errors, 0);
  EXPECT_TRUE(Wrong.Client.Connected());
}

TEST_F(LinkedRoles, AClientReconnectsWhenTheServerComesBack) {
  TClientSide Side("two words");
  Start(Side);
  Tick(Side);
  ASSERT_EQ(Side.Records, 1);
  const std::uint16_t Port = Server.Port();
  Server.Close();
  ASSERT_TRUE(WaitFor([&] { return !Side.Client.Connected(); }));
  EXPECT_EQ(Side.Errors, 0);  // the server hanging up is not an error
  Side.Client.RequestStep();  // refused while the server is away
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  Server.SetPort(Port);
  Server.Open();
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Client.Connected(); }));
  Tick(Side);
  Tick(Side);
  EXPECT_EQ(Side.Records, 3);
  EXPECT_EQ(Side.Connects, 2);
}

TEST_F(LinkedRoles, ClearRepliesWhenTheServerHasNoPassword) {
  Server.Close();
  ServerPassword.clear();
  Server.Open();
  TClientSide Side("");
  Start(Side);
  Tick(Side);
  EXPECT_EQ(Side.Records, 1);
  EXPECT_TRUE(Side.HoldsRecord(Record));
}

}  // namespace
}  // namespace dravel
