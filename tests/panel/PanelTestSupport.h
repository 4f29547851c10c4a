#pragma once
// A main window in a throw-away settings folder, with scripted prompts.

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "panel/dravel2a.h"
#include "panel/Prompts.h"
#include "platform/SettingsStore.h"

namespace dravel::testing {

// Records every message; input prompts are answered from Answers in order, and
// cancelled once the script runs out.
class TScriptedPrompter final : public IPrompter {
 public:
  struct TLog {
    std::vector<std::string> Messages;
    std::vector<std::string> Answers;
  };
  explicit TScriptedPrompter(std::shared_ptr<TLog> Log) : FLog(std::move(Log)) {}

  bool InputQuery(const std::string&, const std::string&, std::string& Value) override {
    if (FLog->Answers.empty()) return false;
    Value = FLog->Answers.front();
    FLog->Answers.erase(FLog->Answers.begin());
    return true;
  }
  TMsgResult MessageBox(const std::string& Text, const std::string&, TMsgButtons) override {
    FLog->Messages.push_back(Text);
    return TMsgResult::Ok;
  }
  void ShowMessage(const std::string& Text) override { FLog->Messages.push_back(Text); }

 private:
  std::shared_ptr<TLog> FLog;
};

class PanelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QApplication::instance() == nullptr) {
      static int Argc = 1;
      static char Name[] = "panel_test";
      static char* Argv[] = {Name, nullptr};
      // Kept for the whole process: destroyed among the exit handlers, after Qt's own
      // statics, it crashes once an input device (a key event) has been made.
      new QApplication(Argc, Argv);
    }
  }

  void SetUp() override {
    ASSERT_TRUE(FHome.isValid());
    setenv("XDG_CONFIG_HOME", FHome.filePath("config").toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", FHome.path().toLocal8Bit().constData(), 1);
  }

  // The store as another program sees it, opened on Key.
  std::unique_ptr<TRegistry> Store(const std::string& Key = MainSettingsKey) {
    auto Registry = std::make_unique<TRegistry>();
    Registry->OpenKey(Key, true);
    return Registry;
  }

  std::unique_ptr<TDravelDisplay> Start(const std::vector<std::string>& Args = {}) {
    return std::make_unique<TDravelDisplay>(Args, std::make_unique<TScriptedPrompter>(Log));
  }

  std::shared_ptr<TScriptedPrompter::TLog> Log = std::make_shared<TScriptedPrompter::TLog>();

 private:
  QTemporaryDir FHome;
};

}  // namespace dravel::testing
