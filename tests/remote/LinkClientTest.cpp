#include "remote/LinkClient.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstring>
#include <string>
#include <vector>

#include "remote/LinkServer.h"
#include "remote/LinkTestSupport.h"
#include "remote/SecureTestServer.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

using testing::App;
using testing::SampleRecordBytes;
using testing::Settle;
using testing::TSecureTestServer;
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
    E.OnError = [this](const std::string& Why) {
      ++Errors;
      LastError = Why;
    };
    E.OnRefused = [this] { ++Refusals; };
    return E;
  }
  bool HoldsRecord(const TRecordBytes& Record) const {
    return std::memcmp(&Shell.Data, Record.data(), Record.size()) == 0;
  }

  std::string Password;
  TDCP_blowfish Cipher;
  TRawDataShell Shell;
  int Records = 0, Connects = 0, Errors = 0, Unreadable = 0, Refusals = 0;
  std::string LastError;
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
    E.OnAccept = [this] { ++Accepts; };
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

  // The authenticated mode beside the plain link, at a cost that keeps the tests quick.
  void ServeSecurely() {
    TSecureLinkSettings Settings;
    Settings.Cost = CheapestSecureKeyCost();
    Server.SetSecure(Settings);
    ASSERT_TRUE(WaitFor([&] { return Server.SecureKeyReady(); }));
  }

  std::string ServerPassword = "two words";
  int Accepts = 0;
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

TEST_F(LinkedRoles, AnAuthenticatedClientAndAPlainOneBothGetTheRecord) {
  ServeSecurely();
  TClientSide Secure("two words"), Plain("two words");
  Secure.Client.SetSecure(true);
  Start(Secure);
  Start(Plain);
  Tick(Secure);
  Tick(Plain);
  Tick(Secure);
  EXPECT_EQ(Secure.Records, 2);
  EXPECT_EQ(Plain.Records, 1);
  EXPECT_TRUE(Secure.HoldsRecord(Record));
  EXPECT_EQ(Secure.Connects, 1);
  EXPECT_EQ(Secure.Errors + Secure.Unreadable + Secure.Refusals, 0);
}

TEST_F(LinkedRoles, AWrongPasswordIsRefusedOnceHoweverOftenTheClientTriesAgain) {
  ServeSecurely();
  TClientSide Side("two wordz");
  Side.Client.SetSecure(true);
  Side.Client.SetHost("127.0.0.1");
  Side.Client.SetPort(Server.Port());
  // A step each turn of the loop: a new attempt each time the last one has been refused.
  ASSERT_TRUE(WaitFor([&] {
    Side.Client.RequestStep();
    return Accepts >= 4 && !Side.Client.Connected();
  }));
  Settle();
  EXPECT_EQ(Side.Refusals, 1);
  EXPECT_EQ(Side.Errors, 0);
  EXPECT_EQ(Side.Connects, 0);
  EXPECT_EQ(Side.Records, 0);
  EXPECT_EQ(Side.Client.Keys().Derivations(), 1);
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

// The authenticated mode against a server end that runs the core's server session.
class SecureLink : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  // The client of Side aimed at Server in the authenticated mode.
  void Aim(TClientSide& Side, const TSecureTestServer& Server) {
    Side.Client.SetSecure(true);
    Side.Client.SetHost("127.0.0.1");
    Side.Client.SetPort(Server.Port());
  }
  // One request step once the link is up; true when a record came of it.
  bool Exchange(TClientSide& Side) {
    if (!WaitFor([&] { return Side.Client.Connected(); })) return false;
    const int Before = Side.Records;
    Side.Client.RequestStep();
    return WaitFor([&] { return Side.Records > Before; });
  }

  TRecordBytes Record = SampleRecordBytes(5);
};

TEST_F(SecureLink, TheRightPasswordGivesTheServersRecordsAfterOneConnectEvent) {
  TSecureTestServer Server("pass word", CheapestSecureKeyCost(), Record);
  TClientSide Side("pass word");
  Aim(Side, Server);
  Side.Client.RequestStep();
  // Up only once the handshake is accepted; steps meanwhile send nothing.
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));
  ASSERT_TRUE(Exchange(Side));
  EXPECT_EQ(Side.Records, 2);
  EXPECT_TRUE(Side.HoldsRecord(Record));
  EXPECT_EQ(Side.Connects, 1);
  EXPECT_EQ(Side.Errors, 0);
  EXPECT_EQ(Server.Accepted, 1);
  EXPECT_EQ(Server.Replies, 2);
  EXPECT_EQ(Side.Replies, (std::vector<std::size_t>{RawDataSize, RawDataSize}));
}

TEST_F(SecureLink, ARefusalIsToldOnceAcrossReconnectsAndAgainOnlyAfterASuccess) {
  TSecureTestServer Server("right", CheapestSecureKeyCost(), Record);
  TClientSide Side("wrong");
  Aim(Side, Server);
  for (int Attempt = 1; Attempt <= 4; ++Attempt) {
    Side.Client.RequestStep();
    ASSERT_TRUE(WaitFor([&] { return Server.Refusals >= Attempt && !Side.Client.Connected() &&
                                     Side.Refusals == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Side.Client.Keys().Derivations() == 1; }));
  }
  Settle();
  EXPECT_EQ(Side.Refusals, 1);
  EXPECT_EQ(Side.Errors, 0);  // a refusal is no link error
  EXPECT_EQ(Side.Connects, 0);
  EXPECT_EQ(Side.Records, 0);

  Side.Password = "right";  // the client reads the program's password at each handshake
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));
  Side.Password = "wrong";
  Side.Client.Open();
  ASSERT_TRUE(WaitFor([&] { return Side.Refusals == 2; }));
  EXPECT_EQ(Side.Client.Keys().Derivations(), 2);  // the wrong key came from the cache
}

TEST_F(SecureLink, AReplayedReplyClosesTheConnectionAsAnErrorAndTheNextStepReconnects) {
  TSecureTestServer Server("pw", CheapestSecureKeyCost(), Record);
  Server.Fault = TSecureTestServer::TReplyFault::Replay;
  TClientSide Side("pw");
  Aim(Side, Server);
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));  // the first copy opens
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  EXPECT_FALSE(Side.Client.Connected());
  EXPECT_EQ(Side.Records, 1);
  Server.Fault = TSecureTestServer::TReplyFault::None;
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));
  EXPECT_EQ(Server.Accepted, 2);
  EXPECT_EQ(Side.Connects, 2);
}

TEST_F(SecureLink, AGarbledReplyIsNeverARecordAndClosesTheConnection) {
  TSecureTestServer Server("pw", CheapestSecureKeyCost(), Record);
  Server.Fault = TSecureTestServer::TReplyFault::Garble;
  TClientSide Side("pw");
  Aim(Side, Server);
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Client.Connected(); }));
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  EXPECT_FALSE(Side.Client.Connected());
  EXPECT_EQ(Side.Records, 0);
  EXPECT_TRUE(Side.Replies.empty());
}

TEST_F(SecureLink, AServerThatIgnoresTheHelloIsGivenUpAfterTheHandshakeLimit) {
  TSecureTestServer Server("pw", CheapestSecureKeyCost(), Record);
  Server.Silent = true;  // as a server without the mode: the hello holds no "W" to answer
  TClientSide Side("pw");
  Aim(Side, Server);
  Side.Client.SetHandshakeLimit(300);
  QElapsedTimer Clock;
  Clock.start();
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Server.Accepted == 1; }));
  // Steps inside the limit leave the handshake to finish.
  Side.Client.RequestStep();
  EXPECT_EQ(Side.Errors, 0);
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  EXPECT_GE(Clock.elapsed(), 300);
  EXPECT_NE(Side.LastError.find("authenticated"), std::string::npos) << Side.LastError;
  EXPECT_FALSE(Side.Client.Connected());
  EXPECT_EQ(Server.Accepted, 1);
  EXPECT_EQ(Side.Connects, 0);
  EXPECT_EQ(Side.Refusals, 0);
}

TEST_F(SecureLink, AServerThatHangsUpOnTheHelloIsAnError) {
  QTcpServer Listener;
  ASSERT_TRUE(Listener.listen(QHostAddress::LocalHost));
  QObject::connect(&Listener, &QTcpServer::newConnection, [&] {
    QTcpSocket* Peer = Listener.nextPendingConnection();
    QObject::connect(Peer, &QTcpSocket::readyRead, Peer, [Peer] { Peer->disconnectFromHost(); });
  });
  TClientSide Side("pw");
  Side.Client.SetSecure(true);
  Side.Client.SetHost("127.0.0.1");
  Side.Client.SetPort(Listener.serverPort());
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Errors == 1; }));
  EXPECT_NE(Side.LastError.find("handshake"), std::string::npos) << Side.LastError;
  EXPECT_EQ(Side.Refusals, 0);
}

TEST_F(SecureLink, TheKeyIsDerivedOffTheEventLoopAndOnlyOnceForReconnects) {
  // libsodium's interactive cost: long enough to see whether the loop stood still.
  TSecureTestServer Server("pw", DefaultSecureKeyCost(), Record);
  TClientSide Side("pw");
  Aim(Side, Server);
  std::vector<qint64> Ticks;
  QElapsedTimer Clock;
  QTimer Ticker;
  Ticker.setInterval(5);
  QObject::connect(&Ticker, &QTimer::timeout, [&] { Ticks.push_back(Clock.elapsed()); });
  Clock.start();
  Ticker.start();
  Side.Client.RequestStep();
  ASSERT_TRUE(WaitFor([&] { return Side.Client.Connected(); }));
  const qint64 Handshake = Clock.elapsed();
  Ticker.stop();
  ASSERT_EQ(Side.Client.Keys().Derivations(), 1);
  qint64 LongestGap = Ticks.empty() ? Handshake : Ticks.front();
  for (std::size_t I = 1; I < Ticks.size(); ++I)
    LongestGap = std::max(LongestGap, Ticks[I] - Ticks[I - 1]);
  // Argon2id over 64 MiB takes a good part of the handshake; the ticks went on through it.
  EXPECT_GE(Handshake, 30);
  EXPECT_LT(LongestGap, Handshake / 2) << "handshake " << Handshake << " ms";

  // A new connection, and one abandoned in the middle, take the key from the cache.
  Side.Client.Open();
  ASSERT_TRUE(WaitFor([&] { return Server.Accepted == 2; }));
  Side.Client.Close();
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));
  EXPECT_EQ(Side.Client.Keys().Derivations(), 1);
  EXPECT_EQ(Side.Errors, 0);
}

TEST_F(SecureLink, AnAnswerForAnAttemptClosedWhileItsKeyWasMadeIsDropped) {
  TSecureTestServer Server("pw", DefaultSecureKeyCost(), Record);
  TClientSide Side("pw");
  Aim(Side, Server);
  Side.Client.RequestStep();
  // The challenge is out once the server has seen the hello; the key is then being made.
  ASSERT_TRUE(WaitFor([&] { return Server.Accepted == 1 && Side.Chunks.size() == 1; }));
  Side.Client.Close();
  ASSERT_TRUE(WaitFor([&] { return Side.Client.Keys().Derivations() == 1; }));
  WaitFor([] { return false; }, 1000);  // the derivation finishes and is dropped
  EXPECT_EQ(Server.Proofs, 0);
  EXPECT_EQ(Side.Connects, 0);
  EXPECT_EQ(Side.Errors, 0);
  Side.Client.RequestStep();
  ASSERT_TRUE(Exchange(Side));
  EXPECT_EQ(Side.Client.Keys().Derivations(), 1);  // the dropped answer still filled the cache
}

TEST_F(SecureLink, ClientsSharingAKeySourceDeriveTheKeyOnce) {
  TSecureTestServer Server("pw", CheapestSecureKeyCost(), Record);
  TSecureKeySource Shared;
  TClientSide First("pw"), Second("pw");
  for (TClientSide* Side : {&First, &Second}) {
    Aim(*Side, Server);
    Side->Client.ShareKeys(Shared);
    Side->Client.RequestStep();
  }
  ASSERT_TRUE(Exchange(First));
  ASSERT_TRUE(Exchange(Second));
  EXPECT_EQ(Shared.Derivations(), 1);
  EXPECT_EQ(&First.Client.Keys(), &Shared);
}

TEST_F(SecureLink, SwitchingTheModeStartsTheAttemptAgain) {
  TSecureTestServer Server("pw", CheapestSecureKeyCost(), Record);
  TClientSide Side("pw");
  Side.Client.SetHost("127.0.0.1");
  Side.Client.SetPort(Server.Port());
  Side.Client.Open();  // in clear: the core's server session takes "W" for a bad hello
  Side.Client.SetSecure(true);
  EXPECT_TRUE(Side.Client.Secure());
  ASSERT_TRUE(Exchange(Side));
  EXPECT_EQ(Side.Connects, 1);
}

}  // namespace
}  // namespace dravel
