// The link server's authenticated mode over loopback, beside its plain link.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "remote/LinkServer.h"
#include "remote/LinkTestSupport.h"
#include "remote/SecurePeer.h"

namespace dravel {
namespace {

using testing::App;
using testing::SampleRecordBytes;
using testing::WaitFor;
using testing::TSecurePeer;
using TBytes = std::vector<std::uint8_t>;

class SecureServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Server.SetPort(0);
    Open({});
  }
  void Open(bool SecureOnly) {
    Server.Close();
    Server.SetSecure({TSecureSalt{}, CheapestSecureKeyCost(), SecureOnly});
    Server.Open();
    ASSERT_TRUE(WaitFor([&] { return Server.SecureKeyReady(); }));
  }
  TBytes RecordBytes() const { return TBytes(Record.begin(), Record.end()); }

  std::string Password = "right";
  TDCP_blowfish Cipher;
  TRecordBytes Record = SampleRecordBytes(3);
  TLinkServer Server{Cipher, Password, [this] {
                       TLinkServerEvents E;
                       E.CurrentRecord = [this](TRecordBytes& Out) { Out = Record; };
                       E.OnListen = [this] { DeriveLinkKey(Cipher, Password); };
                       return E;
                     }()};
};

TEST_F(SecureServerTest, ASecureClientWithThePasswordGetsRecords) {
  TSecurePeer Peer(Server.Port());
  ASSERT_EQ(Peer.Handshake("right"), TSecureClientSession::TState::Established);
  for (int I = 0; I < 3; ++I) ASSERT_TRUE(Peer.Ask());
  for (const TBytes& Reply : Peer.Replies) EXPECT_EQ(Reply, RecordBytes());
}

TEST_F(SecureServerTest, AWrongPasswordGetsTheRefusalAndAClosedConnection) {
  TSecurePeer Peer(Server.Port());
  EXPECT_EQ(Peer.Handshake("wrong"), TSecureClientSession::TState::Refused);
  EXPECT_TRUE(WaitFor([&] { return Peer.Closed(); }));
  EXPECT_EQ(Peer.Received, static_cast<qint64>(SecureChallengeSize + 1));
}

TEST_F(SecureServerTest, APlainClientOnTheSameServerIsStillServedWithBlowfish) {
  TSecurePeer Secure(Server.Port());
  ASSERT_EQ(Secure.Handshake("right"), TSecureClientSession::TState::Established);
  QTcpSocket Plain;
  Plain.connectToHost("127.0.0.1", Server.Port());
  ASSERT_TRUE(WaitFor([&] { return Plain.state() == QAbstractSocket::ConnectedState; }));
  Plain.write("W", 1);
  ASSERT_TRUE(WaitFor([&] { return Plain.bytesAvailable() >= static_cast<qint64>(RawDataSize); }));
  QByteArray Reply = Plain.readAll();
  ASSERT_EQ(Reply.size(), static_cast<qint64>(RawDataSize));
  TChainBlock Chain = Cipher.IV();
  auto* Bytes = reinterpret_cast<std::uint8_t*>(Reply.data());
  Cipher.DecryptChained(Chain, Bytes, Bytes, RawDataSize);
  EXPECT_EQ(TBytes(Bytes, Bytes + RawDataSize), RecordBytes());
  EXPECT_TRUE(Secure.Ask());
}

TEST_F(SecureServerTest, SecureOnlyClosesAPlainClientAtItsFirstByteWithoutAnAnswer) {
  Open(true);
  QTcpSocket Plain;
  Plain.connectToHost("127.0.0.1", Server.Port());
  ASSERT_TRUE(WaitFor([&] { return Plain.state() == QAbstractSocket::ConnectedState; }));
  Plain.write("W", 1);
  EXPECT_TRUE(WaitFor([&] { return Plain.state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(Plain.bytesAvailable(), 0);
  TSecurePeer Secure(Server.Port());
  ASSERT_EQ(Secure.Handshake("right"), TSecureClientSession::TState::Established);
  EXPECT_TRUE(Secure.Ask());
}

TEST_F(SecureServerTest, ACutOrTooSlowHandshakeIsClosedAfterTheLimit) {
  Server.SetHandshakeLimit(300);
  TSecurePeer Cut(Server.Port());
  TBytes Hello = Cut.Session.TakeOutput();
  Hello.resize(20);
  Cut.Send(Hello);
  TSecurePeer Slow(Server.Port());
  Slow.Send(Slow.Session.TakeOutput());  // a whole hello, and then no proof
  QElapsedTimer Clock;
  Clock.start();
  EXPECT_TRUE(WaitFor([&] { return Cut.Closed() && Slow.Closed(); }, 5000));
  EXPECT_GE(Clock.elapsed(), 250);
  Slow.Pump();
  EXPECT_EQ(Slow.Received, static_cast<qint64>(SecureChallengeSize));  // the challenge, no verdict
  EXPECT_EQ(Cut.Received, 0);
}

TEST_F(SecureServerTest, AMalformedHelloIsClosedAtOnce) {
  TSecurePeer Peer(Server.Port());
  Peer.Send({0x00, 'D', 'R', 'X'});
  EXPECT_TRUE(WaitFor([&] { return Peer.Closed(); }, 4000));  // well before the 5 s limit
  EXPECT_EQ(Peer.Received, 0);
}

// Over its budget a secure connection is not drained, as a lost byte would break its
// frames: its requests wait, fewer are answered, and the link stays whole.
TEST_F(SecureServerTest, OverTheBudgetASecureLinkIsHeldBackButNotBroken) {
  TLinkLimits Limits;
  Limits.RepliesPerSecond = 20;
  Limits.ReplyBurst = 1;
  Server.SetLimits(Limits);
  TSecurePeer Peer(Server.Port());
  ASSERT_EQ(Peer.Handshake("right"), TSecureClientSession::TState::Established);
  TBytes Burst;
  for (int I = 0; I < 200; ++I) {
    const TBytes Frame = Peer.Session.SealRequest();
    Burst.insert(Burst.end(), Frame.begin(), Frame.end());
  }
  Peer.Send(Burst);
  QElapsedTimer Clock;
  Clock.start();
  WaitFor([&] { Peer.Pump(); return Clock.elapsed() > 500; });
  EXPECT_GE(Peer.Replies.size(), 2u);
  EXPECT_LT(Peer.Replies.size(), 40u);
  EXPECT_TRUE(Peer.Session.Established());
  EXPECT_FALSE(Peer.Closed());
}

TEST_F(SecureServerTest, AChangedPasswordIsInForceOnceRefreshed) {
  Password = "new";
  Server.RefreshSecureKey();
  ASSERT_TRUE(WaitFor([&] { return Server.SecureKeyReady(); }));
  TSecurePeer Old(Server.Port());
  EXPECT_EQ(Old.Handshake("right"), TSecureClientSession::TState::Refused);
  TSecurePeer New(Server.Port());
  EXPECT_EQ(New.Handshake("new"), TSecureClientSession::TState::Established);
}

TEST_F(SecureServerTest, AnEmptyPasswordStillAuthenticatesAndSeals) {
  Password.clear();
  Server.RefreshSecureKey();
  ASSERT_TRUE(WaitFor([&] { return Server.SecureKeyReady(); }));
  TSecurePeer Peer(Server.Port());
  ASSERT_EQ(Peer.Handshake(""), TSecureClientSession::TState::Established);
  EXPECT_TRUE(Peer.Ask());
}

// At the real cost the key takes a while; the event loop keeps running meanwhile, and a
// handshake that comes first waits for the key.
TEST_F(SecureServerTest, TheEventLoopRunsWhileTheKeyIsDerivedAndEarlyHandshakesWait) {
  const TSecureKeyCost Cost{3, 64 * 1024};
  Server.Close();
  Server.SetSecure({TSecureSalt{}, Cost, false});
  QElapsedTimer Clock;
  Clock.start();
  Server.Open();
  ASSERT_FALSE(Server.SecureKeyReady());  // not derived inside Open, on this thread
  TSecurePeer Early(Server.Port());
  Early.Send(Early.Session.TakeOutput());
  qint64 Last = Clock.elapsed(), LongestGap = 0;
  QTimer Tick;
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    LongestGap = std::max(LongestGap, Clock.elapsed() - Last);
    Last = Clock.elapsed();
  });
  Tick.start(2);
  ASSERT_TRUE(WaitFor([&] { return Server.SecureKeyReady(); }));
  Tick.stop();
  const qint64 ReadyMs = Clock.elapsed();
  EXPECT_LT(LongestGap, std::max<qint64>(ReadyMs / 2, 50)) << "the key took " << ReadyMs << " ms";

  // The early client derives at the server's cost and is answered.
  WaitFor([&] { Early.Pump(); return Early.Session.State() == TSecureClientSession::TState::NeedsKey; });
  Early.Session.SetKey(TSecureLinkKey::Derive("right", Early.Session.Salt(), Early.Session.Cost()));
  Early.Send(Early.Session.TakeOutput());
  ASSERT_TRUE(WaitFor([&] { Early.Pump(); return Early.Session.Established(); }));
  EXPECT_TRUE(Early.Ask());
}

}  // namespace
}  // namespace dravel
