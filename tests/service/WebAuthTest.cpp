// Passwords on the web service over a real loopback socket: the challenge as the client
// reads it, a kept connection, every kind of page, and a users file that cannot be used.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "FileText.h"
#include "HtpasswdTool.h"
#include "LoopbackClient.h"
#include "LoopbackPeer.h"
#include "ServiceFixture.h"
#include "SoapMessages.h"
#include "TestCertificate.h"
#include "service/IndyApp.h"

namespace dravel {
namespace {

using test::Exchange;
using test::TLoopbackClient;

constexpr const char* Challenge =
    "HTTP/1.1 401 Unauthorized\r\nServer: Dravel/87\r\nContent-Type: text/plain\r\n"
    "WWW-Authenticate: Basic realm=\"Dravel\"\r\nContent-Length: 24\r\n";

class WebAuthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string Line = testing::HtpasswdLine("ann", "annpass");
    ASSERT_EQ(Line.rfind("ann:$2y$", 0), 0u) << Line;
    testing::WriteFileText(Users, Line + "\n");
  }
  void TearDown() override {
    App.Stop();
    std::filesystem::remove_all(Folder);
  }

  std::string Get(const std::string& Target, const std::string& Extra, const char* Connection = "close") {
    return "GET " + Target + " HTTP/1.1\r\nHost: h\r\nConnection: " + Connection + "\r\n" + Extra + "\r\n";
  }

  test::TPanelState Panel;
  const std::filesystem::path Folder =
      std::filesystem::path(::testing::TempDir()) / ("webauth_" + std::to_string(::getpid()));
  const std::filesystem::path Users = Folder / "users";
  TWebApplication App{Panel.State, Folder / "a_WSDLADMIN.INI", Folder / "b_WSDLADMIN.INI"};
};

// "ann:annpass" and "ann:wrong"
constexpr const char* Right = "Authorization: Basic YW5uOmFubnBhc3M=\r\n";
constexpr const char* Wrong = "Authorization: Basic YW5uOndyb25n\r\n";

TEST_F(WebAuthTest, EveryPageAsksForCredentialsOnAConnectionThatStays) {
  App.SetAuth({Users, true}, {});
  ASSERT_EQ(App.Start(0), "");
  TLoopbackClient Client(App.Port());
  ASSERT_TRUE(Client.Connected());
  for (const char* Target : {"/wsdl", "/wsdl/IVantorWS", "/metrics", "/soap/IVantorWS", "/nothing"}) {
    ASSERT_TRUE(Client.Send(Get(Target, "", "keep-alive")));
    const std::string Answer = Client.ReadResponse();
    EXPECT_EQ(Answer.rfind(Challenge, 0), 0u) << Target << "\n" << Answer;
    EXPECT_NE(Answer.find("Connection: keep-alive\r\n\r\nAuthentication required\n"), std::string::npos) << Answer;
  }
  ASSERT_TRUE(Client.Send(Get("/wsdl", Wrong, "keep-alive")));
  EXPECT_EQ(Client.ReadResponse().rfind(Challenge, 0), 0u);
  ASSERT_TRUE(Client.Send(Get("/wsdl", Right, "keep-alive")));
  EXPECT_EQ(Client.ReadResponse().rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  const std::string Soap = test::SoapRequest("<getversion/>");
  ASSERT_TRUE(Client.Send("POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\n" + std::string(Right) +
                          "Content-Length: " + std::to_string(Soap.size()) + "\r\n\r\n" + Soap));
  const std::string Answer = Client.ReadResponse();
  EXPECT_EQ(Answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << Answer;
  EXPECT_NE(Answer.find("GetVersionResponse"), std::string::npos) << Answer;
}

TEST_F(WebAuthTest, ThrottlesOneAddressAndServesAnother) {
  App.SetAuth({Users, true}, {});
  ASSERT_EQ(App.Start(0), "");
  const std::string Bad = Get("/metrics", Wrong);
  for (int I = 0; I < 5; ++I) EXPECT_EQ(Exchange(App.Port(), Bad).rfind(Challenge, 0), 0u) << I;
  const std::string Throttled = Exchange(App.Port(), Bad);
  EXPECT_EQ(Throttled.rfind("HTTP/1.1 429 Too Many Requests\r\n", 0), 0u) << Throttled;
  EXPECT_NE(Throttled.find("\r\nRetry-After: 1\r\n"), std::string::npos) << Throttled;
  // From 127.0.0.2, a peer of its own.
  const int Fd = testing::ConnectFrom("127.0.0.2", "127.0.0.1", App.Port());
  ASSERT_GE(Fd, 0);
  const std::string Request = Get("/wsdl", Right);
  ::send(Fd, Request.data(), Request.size(), MSG_NOSIGNAL);
  testing::TPeerState State;
  testing::WatchPeer(Fd, State, std::chrono::seconds(10), false, [] {});
  ::close(Fd);
  EXPECT_EQ(State.Received.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << State.Received;
}

TEST_F(WebAuthTest, CredentialsOverPlainHttpAreRefusedUnlessAllowed) {
  App.SetAuth({Users, false}, {});
  ASSERT_EQ(App.Start(0), "");
  const std::string Answer = Exchange(App.Port(), Get("/wsdl", Right));
  EXPECT_EQ(Answer.rfind("HTTP/1.1 403 Forbidden\r\n", 0), 0u) << Answer;
  EXPECT_NE(Answer.find("This service takes passwords over HTTPS only\n"), std::string::npos);
}

TEST_F(WebAuthTest, OverHttpsCredentialsAreTakenWithoutPlainBeingAllowed) {
  const testing::TTestCertificate Certificate;
  App.SetTls(TTlsFiles{Certificate.Certificate(), Certificate.Key()});
  App.SetAuth({Users, false}, {});
  ASSERT_EQ(App.Start(0), "");
  const std::string Status = "-o /dev/null -w '%{http_code}'";
  EXPECT_EQ(testing::CurlHttps(Certificate, App.Port(), "/metrics", Status).Output, "401");
  EXPECT_EQ(testing::CurlHttps(Certificate, App.Port(), "/metrics", Status + " -u ann:wrong").Output, "401");
  EXPECT_EQ(testing::CurlHttps(Certificate, App.Port(), "/metrics", Status + " -u ann:annpass").Output, "200");
  const auto Challenged = testing::CurlHttps(Certificate, App.Port(), "/wsdl", "-o /dev/null -D -");
  EXPECT_NE(Challenged.Output.find("\r\nWWW-Authenticate: Basic realm=\"Dravel\"\r\n"), std::string::npos)
      << Challenged.Output;
}

TEST_F(WebAuthTest, AnUnusableUsersFileKeepsTheServiceOff) {
  testing::WriteFileText(Users, "ann:$apr1$abc$def\n");
  App.SetAuth({Users, true}, {});
  EXPECT_EQ(App.Start(0).rfind(Users.string() + " line 1: user \"ann\" has an MD5 (apr1) hash", 0), 0u);
  EXPECT_FALSE(App.Active());
  App.SetAuth({Folder / "missing", true}, {});
  EXPECT_EQ(App.Start(0), (Folder / "missing").string() + ": cannot be read");
  EXPECT_FALSE(App.Active());
  // Without a users file everyone is served, as before.
  App.SetAuth({}, {});
  ASSERT_EQ(App.Start(0), "");
  EXPECT_EQ(Exchange(App.Port(), Get("/wsdl", "")).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
}

}  // namespace
}  // namespace dravel
