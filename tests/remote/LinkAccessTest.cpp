// Who may reach the link server: the listen address and the allow-list.
#include <gtest/gtest.h>

#include <unistd.h>

#include "LoopbackPeer.h"
#include "remote/LinkServer.h"
#include "remote/LinkTestSupport.h"

namespace dravel {
namespace {

using testing::App;
using testing::ConnectFrom;
using testing::Look;
using testing::TPeerState;
using testing::WaitFor;

class LinkAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }

  void Open(const char* Listen, const char* Allow) {
    Server.SetPort(0);
    Server.SetAccess({ParseListenAddress(Listen), TAddressFilter::Parse(Allow)});
    Server.Open();
    ASSERT_TRUE(Server.Active());
  }

  // Connects from Source to Target, asks once, and waits for a whole reply or the close.
  TPeerState Ask(const char* Source, const char* Target) {
    TPeerState State;
    const int Fd = ConnectFrom(Source, Target, Server.Port());
    EXPECT_GE(Fd, 0) << Source << " -> " << Target;
    if (Fd < 0) return State;
    EXPECT_EQ(::send(Fd, "W", 1, MSG_NOSIGNAL), 1);
    EXPECT_TRUE(WaitFor([&] {
      Look(Fd, State);
      return State.Closed || State.Received.size() >= RawDataSize;
    }));
    ::close(Fd);
    return State;
  }

  TLinkServerEvents Events() {
    TLinkServerEvents E;
    E.CurrentRecord = [](TRecordBytes& Out) { Out = testing::SampleRecordBytes(3); };
    E.OnAccept = [this] { ++Accepts; };
    E.OnClientRead = [this](std::size_t Bytes, bool) { BytesRead += Bytes; };
    return E;
  }

  int Accepts = 0;
  std::size_t BytesRead = 0;
  std::string Password;
  TDCP_blowfish Cipher;
  TLinkServer Server{Cipher, Password, Events()};
};

TEST_F(LinkAccessTest, APeerOutsideTheAllowListIsClosedBeforeAnyByteIsRead) {
  Open("", "127.0.0.1");
  const TPeerState Refused = Ask("127.0.0.2", "127.0.0.1");
  EXPECT_TRUE(Refused.Closed);
  EXPECT_TRUE(Refused.Received.empty());
  EXPECT_EQ(Accepts, 0);
  EXPECT_EQ(BytesRead, 0u);
  EXPECT_EQ(Server.ConnectionCount(), 0);
  // The allowed address is served as before.
  const TPeerState Served = Ask("127.0.0.1", "127.0.0.1");
  EXPECT_EQ(Served.Received.size(), RawDataSize);
  EXPECT_EQ(Accepts, 1);
}

TEST_F(LinkAccessTest, ARangeLetsItsWholeNetworkIn) {
  Open("", "127.0.0.0/30, ::1");
  EXPECT_EQ(Ask("127.0.0.2", "127.0.0.1").Received.size(), RawDataSize);
  EXPECT_TRUE(Ask("127.0.0.9", "127.0.0.1").Closed);
}

TEST_F(LinkAccessTest, ListensOnTheGivenAddressOnly) {
  Open("127.0.0.3", "");
  EXPECT_EQ(Ask("127.0.0.1", "127.0.0.3").Received.size(), RawDataSize);
  // Nothing listens on the other loopback addresses.
  EXPECT_LT(ConnectFrom("127.0.0.1", "127.0.0.1", Server.Port()), 0);
}

TEST_F(LinkAccessTest, ListensOnIPv6) {
  if (!testing::HasIPv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
  Open("::1", "::1");
  EXPECT_EQ(Ask("", "::1").Received.size(), RawDataSize);
  EXPECT_LT(ConnectFrom("127.0.0.1", "127.0.0.1", Server.Port()), 0);
}

TEST_F(LinkAccessTest, AnIPv6ListenerRefusesIPv6PeersOutsideTheList) {
  if (!testing::HasIPv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
  Open("::1", "127.0.0.1");
  EXPECT_TRUE(Ask("", "::1").Closed);
  EXPECT_EQ(Accepts, 0);
}

}  // namespace
}  // namespace dravel
