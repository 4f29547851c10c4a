#include "server/DravelServer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include "monitor/ProgramSettings.h"
#include "platform/SettingsStore.h"
#include "FileText.h"
#include "HtpasswdTool.h"
#include "LoopbackPeer.h"
#include "TestCertificate.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

// A port free now: bound by a throwaway listener, then released.
std::uint16_t FreePort() {
  QTcpServer Probe;
  Probe.listen(QHostAddress::LocalHost, 0);
  return Probe.serverPort();
}

class DravelServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int Argc = 1;
    static char Name[] = "dravel_server_test";
    static char* Argv[] = {Name, nullptr};
    static QCoreApplication App(Argc, Argv);
  }
  std::string Store() const { return (Folder.Path() / "store.db").string(); }
  void Stored(const char* Name, int Value) {
    TRegistry Registry(Store());
    Registry.OpenKey(MainSettingsKey, true);
    Registry.WriteInteger("Version", SettingsVersion);
    Registry.WriteInteger(Name, Value);
  }
  void StoredText(const char* Name, const std::string& Value) {
    TRegistry Registry(Store());
    Registry.OpenKey(MainSettingsKey, true);
    Registry.WriteInteger("Version", SettingsVersion);
    Registry.WriteString(Name, Value);
  }
  std::unique_ptr<TDravelServer> Make(TServerOptions Options) {
    Options.SettingsFile = Store();
    return std::make_unique<TDravelServer>(std::move(Options), Folder.Path() / "dravel",
                                           [this](const std::string& Line) { Log.push_back(Line); });
  }
  testing::TTempFolder Folder;
  std::vector<std::string> Log;
};

// Closed by the server with nothing sent, within 10 s (the loop runs meanwhile); an
// answer ends the wait at once.
bool RefusedFrom(const char* Source, std::uint16_t Port) {
  const int Fd = testing::ConnectFrom(Source, "127.0.0.1", Port);
  if (Fd < 0) return false;
  ::send(Fd, "W", 1, MSG_NOSIGNAL);
  testing::TPeerState State;
  testing::WatchPeer(Fd, State, std::chrono::seconds(10), true,
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); });
  ::close(Fd);
  return State.Closed && State.Received.empty();
}

// The status line of the answer to a GET of /metrics with Extra header lines.
std::string StatusOf(std::uint16_t Port, const std::string& Extra = {}) {
  const int Fd = testing::ConnectFrom("127.0.0.1", "127.0.0.1", Port);
  if (Fd < 0) return "cannot connect";
  const std::string Request = "GET /metrics HTTP/1.1\r\nHost: h\r\nConnection: close\r\n" + Extra + "\r\n";
  ::send(Fd, Request.data(), Request.size(), MSG_NOSIGNAL);
  testing::TPeerState State;
  testing::WatchPeer(Fd, State, std::chrono::seconds(10), false, [] {});
  ::close(Fd);
  return State.Received.substr(0, State.Received.find("\r\n"));
}

// "ann:annpass"
constexpr const char* AnnCredentials = "Authorization: Basic YW5uOmFubnBhc3M=\r\n";

TEST_F(DravelServerTest, BothListenersKeepToTheStoredAllowListAndTheListenOption) {
  StoredText("AllowFrom", "127.0.0.1");
  TServerOptions Options;
  Options.LinkPort = FreePort();
  Options.WebPort = FreePort();
  Options.Listen = "127.0.0.1";
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_TRUE(RefusedFrom("127.0.0.2", Server->LinkPort()));
  EXPECT_TRUE(RefusedFrom("127.0.0.2", Server->WebPort()));
  EXPECT_FALSE(RefusedFrom("127.0.0.1", Server->LinkPort()));
}

TEST_F(DravelServerTest, StoredSecureOnlyOrTheOptionRefusesThePlainLinkAndTheSaltIsKept) {
  Stored("LinkSecureOnly", 1);
  TServerOptions Options;
  Options.LinkPort = FreePort();
  Options.WebPort = 0;
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_TRUE(Server->Settings().Secure.SecureOnly);
  EXPECT_TRUE(RefusedFrom("127.0.0.1", Server->LinkPort()));
  const TSecureSalt Salt = Server->Settings().Secure.Salt;
  Server.reset();
  {
    TRegistry Registry(Store());
    Registry.OpenKey(MainSettingsKey, false);
    EXPECT_EQ(Registry.ReadBinaryData("LinkSalt"), std::vector<std::uint8_t>(Salt.begin(), Salt.end()));
  }

  Stored("LinkSecureOnly", 0);
  Options.SecureOnly = true;
  Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_EQ(Server->Settings().Secure.Salt, Salt);
  EXPECT_TRUE(RefusedFrom("127.0.0.1", Server->LinkPort()));
  EXPECT_NE(Log.back().find("(secure only)"), std::string::npos);
  Server.reset();
  Options.SecureOnly = false;
  Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_FALSE(RefusedFrom("127.0.0.1", Server->LinkPort()));
}

TEST_F(DravelServerTest, AMalformedStoredAddressStopsTheStartNamingTheValue) {
  StoredText("ListenAddress", "my-host");
  TServerOptions Options;
  Options.LinkPort = FreePort();
  auto Server = Make(Options);
  EXPECT_EQ(Server->Start(), "dravel: ListenAddress: 'my-host' is not an IP address");
  EXPECT_EQ(Server->LinkPort(), 0);
}

TEST_F(DravelServerTest, OptionsOverrideStoredValuesAndStartIsLogged) {
  const std::uint16_t Link = FreePort();
  const std::uint16_t Web = FreePort();
  Stored("ServPort", 1);  // overridden below
  Stored("Interval", 3000);
  TServerOptions Options;
  Options.LinkPort = Link;
  Options.WebPort = Web;
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_EQ(Server->LinkPort(), Link);
  EXPECT_EQ(Server->WebPort(), Web);
  EXPECT_EQ(Server->Settings().Interval, 3000);
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0], "dravel: server started, link port " + std::to_string(Link) + ", web port " +
                        std::to_string(Web) + ", interval 3000 ms");
  Server->Stop();
  EXPECT_EQ(Log.back(), "dravel: server stopped");
}

TEST_F(DravelServerTest, PortZeroSwitchesAListenerOff) {
  TServerOptions Options;
  Options.LinkPort = 0;
  Options.WebPort = 0;
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_EQ(Server->LinkPort(), 0);
  EXPECT_EQ(Server->WebPort(), 0);
}

TEST_F(DravelServerTest, PortInUseAtStartFailsWithTheSystemsReason) {
  QTcpServer Taken;
  ASSERT_TRUE(Taken.listen(QHostAddress::Any, 0));
  TServerOptions Options;
  Options.LinkPort = Taken.serverPort();
  Options.WebPort = 0;
  auto Server = Make(Options);
  const std::string Error = Server->Start();
  EXPECT_NE(Error.find("cannot listen on link port " + std::to_string(Taken.serverPort())), std::string::npos);
  EXPECT_NE(Error.find("Address already in use"), std::string::npos);
}

TEST_F(DravelServerTest, ReloadMovesToStoredPortsAndKeepsTheOldOnAFailure) {
  Stored("ServPort", FreePort());
  Stored("WebServicePort", FreePort());
  auto Server = Make({});
  ASSERT_EQ(Server->Start(), "");
  const std::uint16_t OldLink = Server->LinkPort();
  const std::uint16_t OldWeb = Server->WebPort();

  QTcpServer Taken;
  ASSERT_TRUE(Taken.listen(QHostAddress::Any, 0));
  const std::uint16_t NewWeb = FreePort();
  Stored("ServPort", Taken.serverPort());
  Stored("WebServicePort", NewWeb);
  Stored("Interval", 500);
  Server->Reload();
  EXPECT_EQ(Server->LinkPort(), OldLink);  // could not move
  EXPECT_EQ(Server->WebPort(), NewWeb);
  EXPECT_EQ(Server->Settings().Interval, 500);
  ASSERT_GE(Log.size(), 3u);
  EXPECT_NE(Log[1].find("cannot listen on link port"), std::string::npos);
  EXPECT_NE(Log[1].find("the listener before stays"), std::string::npos);
  EXPECT_NE(Log[2].find("dravel: settings reloaded, link port " + std::to_string(OldLink)), std::string::npos);

  // The old link still answers a request with a whole record.
  QTcpSocket Client;
  Client.connectToHost(QHostAddress::LocalHost, OldLink);
  ASSERT_TRUE(Client.waitForConnected(2000));
  Client.write("W");
  QByteArray Reply;
  for (int Round = 0; Round < 100 && Reply.size() < 312; ++Round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Client.waitForReadyRead(20);
    Reply += Client.readAll();
  }
  ASSERT_EQ(Reply.size(), 312);
  EXPECT_EQ(Reply[0], 'W');
  (void)OldWeb;
}

TEST_F(DravelServerTest, TheStoredUsersFileGuardsTheWebService) {
  const auto Users = Folder.Path() / "users";
  testing::WriteFileText(Users, testing::HtpasswdLine("ann", "annpass") + "\n");
  StoredText("WebServiceUsers", Users.string());
  TServerOptions Options;
  Options.LinkPort = 0;
  Options.WebPort = FreePort();
  // Plain HTTP only, so passwords must be allowed over it, or nothing starts.
  EXPECT_EQ(Make(Options)->Start(),
            "dravel: WebServiceUsers needs HTTPS (WebServiceCert and WebServiceKey) unless "
            "WebServiceAllowPlainAuth is 1");
  Stored("WebServiceAllowPlainAuth", 1);
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_EQ(StatusOf(Server->WebPort()), "HTTP/1.1 401 Unauthorized");
  EXPECT_EQ(StatusOf(Server->WebPort(), AnnCredentials), "HTTP/1.1 200 OK");
  // Another users file on reload: the service starts again on its port with it.
  testing::WriteFileText(Folder.Path() / "others", testing::HtpasswdLine("bob", "bobpass") + "\n");
  StoredText("WebServiceUsers", (Folder.Path() / "others").string());
  Server->Reload();
  EXPECT_EQ(Server->WebPort(), *Options.WebPort);
  EXPECT_EQ(StatusOf(Server->WebPort(), AnnCredentials), "HTTP/1.1 401 Unauthorized");
  // A bad one keeps the service as it was, and says why.
  testing::WriteFileText(Folder.Path() / "bad", "bob:$apr1$x$y\n");
  StoredText("WebServiceUsers", (Folder.Path() / "bad").string());
  Server->Reload();
  EXPECT_NE(Log.back().find("settings reloaded"), std::string::npos);
  EXPECT_NE(Log[Log.size() - 2].find((Folder.Path() / "bad").string() + " line 1: user \"bob\" has an MD5"),
            std::string::npos)
      << Log[Log.size() - 2];
  EXPECT_EQ(StatusOf(Server->WebPort(), "Authorization: Basic Ym9iOmJvYnBhc3M=\r\n"), "HTTP/1.1 200 OK");
}

TEST_F(DravelServerTest, AnUnusableUsersFileKeepsEverythingOff) {
  StoredText("WebServiceUsers", (Folder.Path() / "missing").string());
  Stored("WebServiceAllowPlainAuth", 1);
  TServerOptions Options;
  Options.LinkPort = FreePort();
  Options.WebPort = FreePort();
  auto Server = Make(Options);
  EXPECT_EQ(Server->Start(), "dravel: cannot listen on web port " + std::to_string(*Options.WebPort) + ": " +
                                 (Folder.Path() / "missing").string() + ": cannot be read");
  EXPECT_EQ(Server->WebPort(), 0);
  EXPECT_EQ(Server->LinkPort(), 0);
}

TEST_F(DravelServerTest, TheStoredCertificateAndKeyMakeTheWebServiceHttps) {
  const testing::TTestCertificate Certificate;
  StoredText("WebServiceCert", Certificate.Certificate());
  StoredText("WebServiceKey", Certificate.Key());
  TServerOptions Options;
  Options.LinkPort = 0;
  Options.WebPort = FreePort();
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  const std::string Port = std::to_string(Server->WebPort());
  EXPECT_NE(Log.back().find("web port " + Port + " (https)"), std::string::npos) << Log.back();
  const auto Wsdl = testing::CurlHttps(Certificate, Server->WebPort(), "/wsdl/IVantorWS");
  ASSERT_EQ(Wsdl.Status, 0);
  EXPECT_NE(Wsdl.Output.find("\"https://localhost:" + Port + "/soap/IVantorWS\""), std::string::npos) << Wsdl.Output;
}

TEST_F(DravelServerTest, OnlyACertificateStopsTheStartAsAListenFailure) {
  StoredText("WebServiceCert", "/etc/dravel/cert.pem");
  TServerOptions Options;
  Options.LinkPort = FreePort();
  Options.WebPort = FreePort();
  auto Server = Make(Options);
  EXPECT_EQ(Server->Start(), "dravel: cannot listen on web port " + std::to_string(*Options.WebPort) +
                                 ": WebServiceCert is set but WebServiceKey is not: the web service needs both for HTTPS");
  EXPECT_EQ(Server->WebPort(), 0);
  EXPECT_EQ(Server->LinkPort(), 0);
}

TEST_F(DravelServerTest, ReloadSwitchesTheSameWebPortToHttpsAndKeepsItOnBadFiles) {
  const testing::TTestCertificate Certificate;
  TServerOptions Options;
  Options.LinkPort = 0;
  Options.WebPort = FreePort();
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  EXPECT_NE(testing::CurlHttps(Certificate, Server->WebPort(), "/wsdl").Status, 0);  // plain still

  StoredText("WebServiceCert", Certificate.Certificate());
  StoredText("WebServiceKey", Certificate.Key());
  Server->Reload();
  EXPECT_EQ(Server->WebPort(), *Options.WebPort);
  EXPECT_EQ(testing::CurlHttps(Certificate, Server->WebPort(), "/wsdl").Status, 0);

  const std::string Missing = (Certificate.Folder() / "gone.pem").string();
  StoredText("WebServiceKey", Missing);
  Server->Reload();
  ASSERT_GE(Log.size(), 2u);
  EXPECT_NE(std::find_if(Log.begin(), Log.end(),
                         [&](const std::string& Line) {
                           return Line.find("cannot listen on web port") != std::string::npos &&
                                  Line.find("\"" + Missing + "\" (WebServiceKey) could not be read") != std::string::npos &&
                                  Line.find("the listener before stays") != std::string::npos;
                         }),
            Log.end());
  EXPECT_EQ(Server->WebPort(), *Options.WebPort);
  EXPECT_EQ(testing::CurlHttps(Certificate, Server->WebPort(), "/wsdl").Status, 0);
}

TEST_F(DravelServerTest, StopSavesTheUptimeRecords) {
  TServerOptions Options;
  Options.LinkPort = 0;
  Options.WebPort = 0;
  auto Server = Make(Options);
  ASSERT_EQ(Server->Start(), "");
  Server->Stop();
  Server->Stop();  // once only
  TRegistry Registry(Store());
  Registry.OpenKey(MainSettingsKey, false);
  EXPECT_EQ(Registry.ReadInteger("UptimeCount"), 1);
  EXPECT_GT(Registry.ReadBinaryData("LongestUptime").size(), 0u);
}

}  // namespace
}  // namespace dravel
