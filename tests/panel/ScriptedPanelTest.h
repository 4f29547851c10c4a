#pragma once
// A main window whose prompts and message boxes are answered from a script, for the tests
// of commands that ask: each answer is taken in order, and what was asked is recorded with
// whether the refresh timer was running at that moment.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <deque>
#include <functional>
#include <optional>

#include "PanelTestSupport.h"

namespace dravel::testing {

class TDialogScript final : public IPrompter {
 public:
  struct TScript {
    std::deque<std::optional<std::string>> Inputs;  // nullopt: Cancel
    std::deque<TMsgResult> Boxes;                    // Cancel once the script runs out
    std::vector<std::string> Asked;     // "caption|prompt|initial text" of each input prompt
    std::vector<std::string> Messages;  // texts of message boxes and messages
    std::vector<bool> TimerWasOn;       // the refresh timer at each prompt and box
  };
  TDialogScript(std::shared_ptr<TScript> Script, std::function<bool()> TimerOn)
      : FScript(std::move(Script)), FTimerOn(std::move(TimerOn)) {}

  bool InputQuery(const std::string& Caption, const std::string& Prompt,
                  std::string& Value) override {
    FScript->Asked.push_back(Caption + "|" + Prompt + "|" + Value);
    FScript->TimerWasOn.push_back(FTimerOn());
    const bool Ok = !FScript->Inputs.empty() && FScript->Inputs.front();
    if (Ok) Value = *FScript->Inputs.front();
    if (!FScript->Inputs.empty()) FScript->Inputs.pop_front();
    return Ok;
  }
  TMsgResult MessageBox(const std::string& Text, const std::string&, TMsgButtons) override {
    FScript->Messages.push_back(Text);
    FScript->TimerWasOn.push_back(FTimerOn());
    if (FScript->Boxes.empty()) return TMsgResult::Cancel;
    const TMsgResult Result = FScript->Boxes.front();
    FScript->Boxes.pop_front();
    return Result;
  }
  void ShowMessage(const std::string& Text) override { FScript->Messages.push_back(Text); }

 private:
  std::shared_ptr<TScript> FScript;
  std::function<bool()> FTimerOn;
};

class ScriptedPanelTest : public PanelTest {
 protected:
  std::unique_ptr<TDravelDisplay> StartScripted(const std::vector<std::string>& Args = {}) {
    auto Window = std::make_unique<TDravelDisplay>(
        Args, std::make_unique<TDialogScript>(
                  Script, [this] { return Current && Current->TimerEnabled(); }));
    Current = Window.get();
    return Window;
  }
  // The store as the current version left it, so that the set-up keeps what is seeded.
  std::unique_ptr<TRegistry> SeedCurrent() {
    auto Seed = Store();
    Seed->WriteInteger("Version", SettingsVersion);
    return Seed;
  }
  // A port nothing listens on at the moment of asking.
  static std::uint16_t FreePort() {
    QTcpServer Probe;
    Probe.listen(QHostAddress::Any);
    return Probe.serverPort();
  }
  // Runs the event loop until Done() or the deadline; returns Done().
  static bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 10000) {
    const QDeadlineTimer Deadline(Milliseconds);
    while (!Done()) {
      if (Deadline.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  std::shared_ptr<TDialogScript::TScript> Script = std::make_shared<TDialogScript::TScript>();
  TDravelDisplay* Current = nullptr;
};

}  // namespace dravel::testing
