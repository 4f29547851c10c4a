// The window's side of the Network Access dialog: a change restarts the running web service
// and link server on the new address and allow-list, and a failed restart is shown.
#include <QAction>
#include <QLineEdit>
#include <QTcpServer>
#include <string_view>

#include "LoopbackPeer.h"
#include "ScriptedPanelTest.h"
#include "panel/NetworkAccessDialog.h"

namespace dravel {
namespace {

using NetworkAccessPanel = testing::ScriptedPanelTest;

const char* const TakenPort = "Could not bind socket. Address and port are already in use.";

// What a peer from Source got for Request: "refused" (closed with nothing sent), "answered",
// "no connection", or "silent" when nothing happened within 10 s. The loop runs meanwhile.
std::string Outcome(const char* Source, const char* Target, std::uint16_t Port, std::string_view Request) {
  const int Fd = testing::ConnectFrom(Source, Target, Port);
  if (Fd < 0) return "no connection";
  ::send(Fd, Request.data(), Request.size(), MSG_NOSIGNAL);
  testing::TPeerState State;
  testing::WatchPeer(Fd, State, std::chrono::seconds(10), true,
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); });
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

TEST_F(NetworkAccessPanel, ChangesRestartTheRunningWebServiceOnTheNewAddressAndList) {
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

TEST_F(NetworkAccessPanel, ARestartThatCannotBindIsShownAndTheItemStaysTicked) {
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

TEST_F(NetworkAccessPanel, ChangesRestartTheRunningLinkServer) {
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

}  // namespace
}  // namespace dravel
