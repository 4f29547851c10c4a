// The window's web service switch: the port prompt, what it stores, start-up from the
// stored values, the taken port, and calls answered from the window's record.
#include <QAction>
#include <QLineEdit>
#include <QTcpServer>

#include "LoopbackPeer.h"
#include "ScriptedPanelTest.h"
#include "panel/NetworkAccessDialog.h"
#include "sampling/RawData.h"
#include "service/LoopbackClient.h"

namespace dravel {
namespace {

std::string GetVersionOver(std::uint16_t Port) {
  const std::string Body =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetVersion/></s:Body></s:Envelope>";
  return test::Exchange(Port, "POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nConnection: close\r\nContent-Length: " +
                                  std::to_string(Body.size()) + "\r\n\r\n" + Body);
}

using WebServicePanel = testing::ScriptedPanelTest;

// What a peer from Source got for Request: "refused" (closed with nothing sent), "answered",
// "no connection", or "silent" when nothing happened within 10 s. The loop runs meanwhile.
std::string Outcome(const char* Source, const char* Target, std::uint16_t Port, std::string_view Request) {
  const int Fd = testing::ConnectFrom(Source, Target, Port);
  if (Fd < 0) return "no connection";
  ::send(Fd, Request.data(), Request.size(), MSG_NOSIGNAL);
  testing::TPeerState State;
  for (int Wait = 0; Wait < 10000 && !State.Closed && State.Received.empty(); ++Wait) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    testing::Look(Fd, State);
  }
  ::close(Fd);
  if (!State.Received.empty()) return "answered";
  return State.Closed ? "refused" : "silent";
}

constexpr std::string_view WsdlRequest = "GET /wsdl HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n";

// Opens Network Access on the panel and enters Text into the field Field picks.
void EnterInNetworkAccess(TDravelDisplay& Panel, QLineEdit* TNetworkAccessDialog::*Field,
                          const QString& Text) {
  Panel.ExecDialog = [&](QDialog& Dialog) {
    auto& Access = dynamic_cast<TNetworkAccessDialog&>(Dialog);
    (Access.*Field)->setText(Text);
    emit(Access.*Field)->editingFinished();
    return static_cast<int>(QDialog::Rejected);
  };
  Panel.NetworkAccess1Click();
}

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

TEST_F(WebServicePanel, NetworkAccessChangesRestartTheRunningServiceOnTheNewAddressAndList) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port)};
  Panel->ActasWebService1Click();
  ASSERT_TRUE(Panel->WebServiceActive());
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.1", Port, WsdlRequest), "answered");

  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edListen, "127.0.0.2");
  EXPECT_TRUE(Panel->WebServiceActive());
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.1", Port, WsdlRequest), "no connection");
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.2", Port, WsdlRequest), "answered");

  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edAllow, "127.0.0.3, ::1");
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.2", Port, WsdlRequest), "refused");
  EXPECT_EQ(Outcome("127.0.0.3", "127.0.0.2", Port, WsdlRequest), "answered");
  EXPECT_EQ(Script->Messages, std::vector<std::string>{});
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(WebServicePanel, ARestartThatCannotBindIsShownAndTheItemStaysTicked) {
  auto Panel = StartScripted();
  QTcpServer Holder;
  ASSERT_TRUE(Holder.listen(QHostAddress(QStringLiteral("127.0.0.5"))));
  Script->Inputs = {std::to_string(Holder.serverPort())};
  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edListen, "127.0.0.4");
  Panel->ActasWebService1Click();  // on 127.0.0.4, beside the holder
  ASSERT_TRUE(Panel->WebServiceActive());
  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edListen, "127.0.0.5");
  EXPECT_EQ(Script->Messages, std::vector<std::string>{TakenPort});
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_TRUE(Panel->ActasWebService->isChecked());
  EXPECT_EQ(Store()->ReadString("ListenAddress"), "127.0.0.5");
}

TEST_F(WebServicePanel, NetworkAccessChangesRestartTheRunningLinkServer) {
  auto Panel = StartScripted();
  const std::uint16_t Port = FreePort();
  Script->Inputs = {std::to_string(Port), std::nullopt};  // no password
  Panel->ActasServer1Click();
  ASSERT_TRUE(Panel->serv->Active());
  EXPECT_EQ(Outcome("127.0.0.2", "127.0.0.1", Port, "W"), "answered");
  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edAllow, "127.0.0.1");
  EXPECT_TRUE(Panel->serv->Active());
  EXPECT_EQ(Outcome("127.0.0.2", "127.0.0.1", Port, "W"), "refused");
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.1", Port, "W"), "answered");

  // Switched off and on again, the server keeps to what was stored meanwhile.
  Panel->ActasServer1Click();
  EnterInNetworkAccess(*Panel, &TNetworkAccessDialog::edAllow, "127.0.0.2");
  Script->Inputs = {std::to_string(Port), std::nullopt};
  Panel->ActasServer1Click();
  EXPECT_EQ(Outcome("127.0.0.1", "127.0.0.1", Port, "W"), "refused");
  EXPECT_EQ(Script->Messages, std::vector<std::string>{});
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

}  // namespace
}  // namespace dravel
