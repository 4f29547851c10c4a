// Who may reach the HTTP server: the listen address and the allow-list.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "LoopbackPeer.h"
#include "service/IndyHTTP.h"

namespace dravel {
namespace {

using testing::ConnectFrom;
using testing::Look;
using testing::TPeerState;

class HttpAccessTest : public ::testing::Test {
 protected:
  void Start(const char* Listen, const char* Allow) {
    Server.SetAccess({ParseListenAddress(Listen), TAddressFilter::Parse(Allow)});
    ASSERT_EQ(Server.Start(0), "");
  }

  // Connects from Source to Target, sends one request, and waits (at most 10 s) for the
  // answer to end or the close.
  TPeerState Ask(const char* Source, const char* Target) {
    TPeerState State;
    const int Fd = ConnectFrom(Source, Target, Server.Port());
    EXPECT_GE(Fd, 0) << Source << " -> " << Target;
    if (Fd < 0) return State;
    const std::string Request = "GET /x HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
    ::send(Fd, Request.data(), Request.size(), MSG_NOSIGNAL);
    for (int Wait = 0; Wait < 10000 && !State.Closed; ++Wait) {
      Look(Fd, State);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(Fd);
    return State;
  }

  std::atomic<int> Handled{0};
  TIndyHTTPServer Server{[this](const THttpRequest&) {
    ++Handled;
    return TWebResponse{200, "text/plain", "ok"};
  }};
};

TEST_F(HttpAccessTest, APeerOutsideTheAllowListIsClosedWithoutAnAnswer) {
  Start("", "127.0.0.1");
  const TPeerState Refused = Ask("127.0.0.2", "127.0.0.1");
  EXPECT_TRUE(Refused.Closed);
  EXPECT_EQ(Refused.Received, "");
  EXPECT_EQ(Handled, 0);
  const TPeerState Served = Ask("127.0.0.1", "127.0.0.1");
  EXPECT_EQ(Served.Received.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << Served.Received;
  EXPECT_EQ(Handled, 1);
}

TEST_F(HttpAccessTest, ListensOnTheGivenAddressOnly) {
  Start("127.0.0.4", "127.0.0.0/8");
  EXPECT_EQ(Ask("127.0.0.9", "127.0.0.4").Received.rfind("HTTP/1.1 200 OK", 0), 0u);
  EXPECT_LT(ConnectFrom("127.0.0.1", "127.0.0.1", Server.Port()), 0);
}

TEST_F(HttpAccessTest, ListensOnIPv6) {
  if (!testing::HasIPv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
  Start("::1", "::1/128");
  EXPECT_EQ(Ask("", "::1").Received.rfind("HTTP/1.1 200 OK", 0), 0u);
  EXPECT_LT(ConnectFrom("127.0.0.1", "127.0.0.1", Server.Port()), 0);
}

TEST_F(HttpAccessTest, AnIPv6ListenerRefusesIPv6PeersOutsideTheList) {
  if (!testing::HasIPv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
  Start("::1", "10.0.0.0/8");
  const TPeerState Refused = Ask("", "::1");
  EXPECT_TRUE(Refused.Closed);
  EXPECT_EQ(Refused.Received, "");
  EXPECT_EQ(Handled, 0);
}

}  // namespace
}  // namespace dravel
