// Service calls on many threads while the main thread samples and renders under the
// guard: no call sees a half-written record. Run it under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackClient.h"
#include "service/IndyApp.h"
#include "service/VantorImpl.h"
#include "ServiceFixture.h"
#include "SoapMessages.h"

namespace dravel {
namespace {

constexpr const char* PanelText = "<NAME=ProcUsage FORMAT=\"ALL\"> <NAME=DriveSpace FORMAT=\"C FREE\">";
// The five processor figures in one evaluation: equal whenever the record is whole.
constexpr const char* FiveFigures =
    "<NAME=ProcUsage FORMAT=\"ALL\">/<NAME=ProcUsage FORMAT=\"1\">/<NAME=ProcUsage FORMAT=\"2\">/"
    "<NAME=ProcUsage FORMAT=\"3\">/<NAME=ProcUsage FORMAT=\"4\">";

// The main thread's refresh: a sampling pass that writes every processor figure, then a
// render; both under the guard, as the panel's timer tick takes it.
void Refresh(test::TPanelState& Panel, int Tick) {
  const std::lock_guard Lock(Panel.Shell.Guard);
  Panel.Registry.DecideIfActive(PanelText);
  for (float& Figure : Panel.Shell.Data.ProcUsage) Figure = static_cast<float>(Tick % 90 + 10);
  Panel.Shell.Data.Drives[0].FreeMB = static_cast<float>(Tick);
  Panel.Registry.Evaluate(PanelText);
}

bool AllEqual(const std::string& Text) {
  const std::string First = Text.substr(0, Text.find('/'));
  std::string Expected = First;
  for (int I = 0; I < 4; ++I) Expected += "/" + First;
  return Text == Expected;
}

TEST(ConcurrencyTest, CallsNeverSeeAHalfWrittenRecord) {
  test::TPanelState Panel;
  Refresh(Panel, 0);
  std::atomic<bool> Done{false};
  std::atomic<int> Torn{0};
  std::vector<std::thread> Callers;
  for (int Thread = 0; Thread < 4; ++Thread) {
    Callers.emplace_back([&, Thread] {
      while (!Done) {
        TVantorWS Service(Panel.State);  // a fresh instance per call
        if (!AllEqual(Service.GetFormattedItem(FiveFigures))) ++Torn;
        Service.GetProcUsage(static_cast<std::int8_t>(Thread));
        Service.GetDriveSpace('C', TSubItem::siFree);
        Service.GetRAM(TSubItem::siUsed);
        Service.GetCompName();
        Service.GetDateTime();
        // A drive tag here claims a slot, as on the panel.
        Service.GetFormattedItem("<NAME=DriveSpace FORMAT=\"D FREE\">");
      }
    });
  }
  for (int Tick = 1; Tick <= 2000; ++Tick) Refresh(Panel, Tick);
  Done = true;
  for (auto& Caller : Callers) Caller.join();
  EXPECT_EQ(Torn, 0);
}

TEST(ConcurrencyTest, HttpCallsWhileThePanelRefreshes) {
  test::TPanelState Panel;
  Panel.Shell.Data.Marker = 'W';
  Refresh(Panel, 0);
  const auto Folder = std::filesystem::path(::testing::TempDir()) / ("concurrency_" + std::to_string(::getpid()));
  TWebApplication App(Panel.State, Folder / "a_WSDLADMIN.INI", Folder / "b_WSDLADMIN.INI");
  ASSERT_EQ(App.Start(0), "");
  std::atomic<bool> Done{false};
  std::thread Panel1([&] {
    for (int Tick = 1; !Done; ++Tick) Refresh(Panel, Tick);
  });
  const std::string Body = test::SoapRequest(std::string("<GetFormattedItem><FormatString>") +
                                             "&lt;NAME=ProcUsage FORMAT=\"ALL\"&gt;/&lt;NAME=ProcUsage FORMAT=\"4\"&gt;" +
                                             "</FormatString></GetFormattedItem>");
  const std::string Request = "POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(Body.size()) + "\r\n\r\n" + Body;
  std::atomic<int> Bad{0};
  std::vector<std::thread> Clients;
  for (int Thread = 0; Thread < 4; ++Thread) {
    Clients.emplace_back([&] {
      for (int Call = 0; Call < 50; ++Call) {
        const std::string Answer = test::Exchange(App.Port(), Request);
        const std::size_t Start = Answer.find("xsd:string\">");
        const std::size_t End = Answer.find("</return>");
        if (Start == std::string::npos || End == std::string::npos) {
          ++Bad;
          continue;
        }
        const std::string Value = Answer.substr(Start + 12, End - Start - 12);
        const std::size_t Slash = Value.find('/');
        if (Value.substr(0, Slash) != Value.substr(Slash + 1)) ++Bad;
      }
    });
  }
  for (auto& Client : Clients) Client.join();
  Done = true;
  Panel1.join();
  App.Stop();
  EXPECT_EQ(Bad, 0);
  std::error_code Ignored;
  std::filesystem::remove_all(Folder, Ignored);
}

}  // namespace
}  // namespace dravel
