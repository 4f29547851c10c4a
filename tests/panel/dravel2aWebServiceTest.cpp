// The window's web service switch: the port prompt, what it stores, start-up from the
// stored values, the taken port, HTTPS from the stored files and what is wrong with them,
// and calls answered from the window's record.
#include <QAction>
#include <QTcpServer>

#include <filesystem>

#include "FileText.h"
#include "HtpasswdTool.h"
#include "ScriptedPanelTest.h"
#include "TestCertificate.h"
#include "platform/TempFolder.h"
#include "sampling/RawData.h"
#include "service/LoopbackClient.h"

namespace dravel {
namespace {

std::string GetVersionOver(std::uint16_t Port, const std::string& Extra = {}) {
  const std::string Body =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetVersion/></s:Body></s:Envelope>";
  return test::Exchange(Port, "POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nConnection: close\r\n" + Extra +
                                  "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body);
}

using WebServicePanel = testing::ScriptedPanelTest;

const char* const TakenPort = "Could not bind socket. Address and port are already in use.";

TEST_F(WebServicePanel, SwitchingOnAsksForThePortListensAndStoresBoth) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port)};
  Panel->ActasWebService1Click();

  EXPECT_EQ(Script->Asked, std::vector<std::string>{
                               "Web Service Port|USe this port to connect to the web serveice, e.g: "
                               "http://localhost:61300/wsdl/IVantorWS|61300"});
  EXPECT_FALSE(Script->TimerWasOn.at(0));
  EXPECT_TRUE(Panel->TimerEnabled());
  EXPECT_TRUE(Panel->ActasWebService->isChecked());
  EXPECT_TRUE(Panel->WebServiceActive());
  EXPECT_EQ(Store()->ReadInteger("WebServicePort"), Port);
  EXPECT_TRUE(Store()->ReadBool("WebService"));
  {
    const std::lock_guard Lock(Panel->FRawData->Guard);
    Panel->FRawData->Data.Marker = 'W';
  }
  EXPECT_NE(GetVersionOver(Port).find("<return xsi:type=\"xsd:unsignedByte\">87</return>"), std::string::npos);
}

TEST_F(WebServicePanel, SwitchingOffStopsButLeavesTheStoredSwitch) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port)};
  Panel->ActasWebService1Click();
  Panel->ActasWebService1Click();
  EXPECT_FALSE(Panel->ActasWebService->isChecked());
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_EQ(GetVersionOver(Port), "");
  EXPECT_TRUE(Store()->ReadBool("WebService"));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(WebServicePanel, CancelUnticksAndStoresNothing) {
  auto Panel = StartScripted();
  Script->Inputs = {std::nullopt};
  Panel->ActasWebService1Click();
  EXPECT_FALSE(Panel->ActasWebService->isChecked());
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_FALSE(Store()->ValueExists("WebService"));
  EXPECT_FALSE(Store()->ValueExists("WebServicePort"));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(WebServicePanel, TextThatIsNotAPortKeepsTheCurrentPort) {
  const std::uint16_t Port = FreePort();
  SeedCurrent()->WriteInteger("WebServicePort", Port);
  auto Panel = StartScripted();
  Script->Inputs = {std::string("port 80")};
  Panel->ActasWebService1Click();
  EXPECT_TRUE(Panel->WebServiceActive());
  EXPECT_EQ(Panel->FWebServicePort, Port);
  EXPECT_EQ(Store()->ReadInteger("WebServicePort"), Port);
}

TEST_F(WebServicePanel, TakenPortIsShownTheItemStaysTickedNothingStored) {
  QTcpServer Holder;
  ASSERT_TRUE(Holder.listen(QHostAddress::Any));
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(Holder.serverPort())};
  Panel->ActasWebService1Click();
  EXPECT_EQ(Script->Messages, std::vector<std::string>{TakenPort});
  EXPECT_TRUE(Panel->ActasWebService->isChecked());
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_FALSE(Store()->ValueExists("WebService"));
  EXPECT_FALSE(Store()->ValueExists("WebServicePort"));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(WebServicePanel, StoredSwitchStartsTheServiceOnceSetUpIsOver) {
  const std::uint16_t Port = FreePort();
  {
    auto Seed = SeedCurrent();
    Seed->WriteInteger("WebServicePort", Port);
    Seed->WriteBool("WebService", true);
  }
  auto Panel = StartScripted();
  EXPECT_EQ(Script->Messages, std::vector<std::string>{});
  EXPECT_TRUE(Panel->ActasWebService->isChecked());
  EXPECT_TRUE(WaitFor([&] { return Panel->WebServiceActive(); }));
  EXPECT_NE(GetVersionOver(Port).find("GetVersionResponse"), std::string::npos);
  Panel->Exit1Click();
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_EQ(GetVersionOver(Port), "");
}

TEST_F(WebServicePanel, TheStoredUsersFileAsksCallersForPasswords) {
  testing::TTempFolder Folder;
  const auto Users = Folder.Path() / "users";
  testing::WriteFileText(Users, testing::HtpasswdLine("ann", "annpass") + "\n");
  {
    auto Seed = SeedCurrent();
    Seed->WriteString("WebServiceUsers", Users.string());
    Seed->WriteBool("WebServiceAllowPlainAuth", true);
  }
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port)};
  Panel->ActasWebService1Click();
  ASSERT_TRUE(Panel->WebServiceActive());
  EXPECT_EQ(GetVersionOver(Port).rfind("HTTP/1.1 401 Unauthorized\r\n", 0), 0u);
  // "ann:annpass"
  EXPECT_NE(GetVersionOver(Port, "Authorization: Basic YW5uOmFubnBhc3M=\r\n").find("GetVersionResponse"),
            std::string::npos);
}

TEST_F(WebServicePanel, UsersThatCannotBeServedAreShownAndTheServiceStaysOff) {
  testing::TTempFolder Folder;
  const auto Users = Folder.Path() / "users";
  testing::WriteFileText(Users, "ann:$apr1$abc$def\n");
  SeedCurrent()->WriteString("WebServiceUsers", Users.string());
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort())};
  Panel->ActasWebService1Click();
  EXPECT_EQ(Script->Messages, std::vector<std::string>{"WebServiceUsers needs HTTPS (WebServiceCert and "
                                                       "WebServiceKey) unless WebServiceAllowPlainAuth is 1"});
  EXPECT_FALSE(Panel->WebServiceActive());
  Store()->WriteBool("WebServiceAllowPlainAuth", true);
  Script->Inputs = {std::to_string(FreePort())};
  Panel->ActasWebService1Click();  // off again
  Panel->ActasWebService1Click();
  ASSERT_EQ(Script->Messages.size(), 2u);
  EXPECT_EQ(Script->Messages[1].rfind(Users.string() + " line 1: user \"ann\" has an MD5 (apr1) hash", 0), 0u)
      << Script->Messages[1];
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_FALSE(Store()->ValueExists("WebService"));
}

TEST_F(WebServicePanel, TheStoredCertificateAndKeyServeHttps) {
  const testing::TTestCertificate Certificate;
  const std::uint16_t Port = FreePort();
  {
    auto Seed = SeedCurrent();
    Seed->WriteInteger("WebServicePort", Port);
    Seed->WriteBool("WebService", true);
    Seed->WriteString("WebServiceCert", Certificate.Certificate());
    Seed->WriteString("WebServiceKey", Certificate.Key());
  }
  auto Panel = StartScripted();
  ASSERT_TRUE(WaitFor([&] { return Panel->WebServiceActive(); }));
  EXPECT_EQ(Script->Messages, std::vector<std::string>{});
  const auto Wsdl = testing::CurlHttps(Certificate, Port, "/wsdl/IVantorWS");
  EXPECT_NE(Wsdl.Output.find("https://localhost:" + std::to_string(Port) + "/soap/IVantorWS"), std::string::npos)
      << Wsdl.Output;
  EXPECT_EQ(GetVersionOver(Port), "");  // no plain HTTP answer on the HTTPS port
}

TEST_F(WebServicePanel, AnUnreadableCertificateIsShownLikeATakenPortAndThePanelGoesOn) {
  const testing::TTestCertificate Certificate;
  const std::string Missing = (Certificate.Folder() / "missing.pem").string();
  {
    auto Seed = SeedCurrent();
    Seed->WriteString("WebServiceCert", Missing);
    Seed->WriteString("WebServiceKey", Certificate.Key());
  }
  auto Panel = StartScripted();
  Script->Inputs = {std::to_string(FreePort())};
  Panel->ActasWebService1Click();
  EXPECT_EQ(Script->Messages, std::vector<std::string>{"The web service certificate \"" + Missing +
                                                       "\" (WebServiceCert) could not be read: No such file or directory"});
  EXPECT_TRUE(Panel->ActasWebService->isChecked());
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_FALSE(Store()->ValueExists("WebService"));
  EXPECT_TRUE(Panel->TimerEnabled());
  // The files put right, the next switch-on serves.
  Store()->WriteString("WebServiceCert", Certificate.Certificate());
  Panel->ActasWebService1Click();  // off
  Script->Inputs = {std::to_string(FreePort())};
  Panel->ActasWebService1Click();
  EXPECT_TRUE(Panel->WebServiceActive());
}

TEST_F(WebServicePanel, OnlyAKeyAtSetUpIsShownOnceSetUpIsOver) {
  {
    auto Seed = SeedCurrent();
    Seed->WriteInteger("WebServicePort", FreePort());
    Seed->WriteBool("WebService", true);
    Seed->WriteString("WebServiceKey", "/etc/dravel/key.pem");
  }
  auto Panel = StartScripted();
  ASSERT_TRUE(WaitFor([&] { return !Script->Messages.empty(); }));
  EXPECT_EQ(Script->Messages, std::vector<std::string>{
                                  "WebServiceKey is set but WebServiceCert is not: the web service needs both for HTTPS"});
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_TRUE(Panel->TimerEnabled());
}

}  // namespace
}  // namespace dravel
