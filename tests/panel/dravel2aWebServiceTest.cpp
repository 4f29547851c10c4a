// The window's web service switch: the port prompt, what it stores, start-up from the
// stored values, the taken port, and calls answered from the window's record.
#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <deque>
#include <functional>
#include <optional>

#include "PanelTestSupport.h"
#include "sampling/RawData.h"
#include "service/loopback_client.h"

namespace dravel {
namespace {

using testing::PanelTest;

// Answers the port prompt from a script and records what was asked.
class TWebPrompter final : public IPrompter {
 public:
  struct TScript {
    std::deque<std::optional<std::string>> Inputs;  // nullopt: Cancel
    std::vector<std::string> Asked;                 // caption, prompt and initial text
    std::vector<std::string> Messages;
    std::vector<bool> TimerWasOn;
  };
  TWebPrompter(std::shared_ptr<TScript> Script, std::function<bool()> TimerOn)
      : FScript(std::move(Script)), FTimerOn(std::move(TimerOn)) {}

  bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) override {
    FScript->Asked.push_back(Caption + "|" + Prompt + "|" + Value);
    FScript->TimerWasOn.push_back(FTimerOn());
    const bool Ok = !FScript->Inputs.empty() && FScript->Inputs.front();
    if (Ok) Value = *FScript->Inputs.front();
    if (!FScript->Inputs.empty()) FScript->Inputs.pop_front();
    return Ok;
  }
  TMsgResult MessageBox(const std::string& Text, const std::string&, TMsgButtons) override {
    FScript->Messages.push_back(Text);
    return TMsgResult::Ok;
  }
  void ShowMessage(const std::string& Text) override { FScript->Messages.push_back(Text); }

 private:
  std::shared_ptr<TScript> FScript;
  std::function<bool()> FTimerOn;
};

std::uint16_t FreePort() {
  QTcpServer Probe;
  Probe.listen(QHostAddress::Any);
  return Probe.serverPort();
}

std::string GetVersionOver(std::uint16_t Port) {
  const std::string Body =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetVersion/></s:Body></s:Envelope>";
  return test::Exchange(Port, "POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nContent-Length: " +
                                  std::to_string(Body.size()) + "\r\n\r\n" + Body);
}

class WebServicePanel : public PanelTest {
 protected:
  std::unique_ptr<TDravelDisplay> StartScripted() {
    auto Window = std::make_unique<TDravelDisplay>(
        std::vector<std::string>{},
        std::make_unique<TWebPrompter>(Script, [this] { return Current && Current->TimerEnabled(); }));
    Current = Window.get();
    return Window;
  }
  // The store at the current layout version, so the set-up keeps what it holds.
  std::unique_ptr<TRegistry> SeedCurrent() {
    auto Seed = Store();
    Seed->WriteInteger("Version", SettingsVersion);
    return Seed;
  }
  std::shared_ptr<TWebPrompter::TScript> Script = std::make_shared<TWebPrompter::TScript>();
  TDravelDisplay* Current = nullptr;
};

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
  const QDeadlineTimer Deadline(10000);
  while (!Panel->WebServiceActive() && !Deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_TRUE(Panel->WebServiceActive());
  EXPECT_NE(GetVersionOver(Port).find("GetVersionResponse"), std::string::npos);
  Panel->Exit1Click();
  EXPECT_FALSE(Panel->WebServiceActive());
  EXPECT_EQ(GetVersionOver(Port), "");
}

}  // namespace
}  // namespace dravel
