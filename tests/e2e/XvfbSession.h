#pragma once
// What the in-process end-to-end tests of the panel share: their own Xvfb, started by the
// main of XvfbSession.cpp before Qt connects; screenshots of the whole screen, kept in the
// folder named by DRAVEL_E2E_SHOTS for a person to look at; waiting with the event loop
// running; and prompts that answer nothing.

#include <QImage>
#include <QString>
#include <functional>
#include <string>

#include "panel/Prompts.h"

namespace dravel::e2e {

// Where a screenshot named Name is kept: Name.png in the shots folder.
QString ShotPath(const QString& Name);

// Takes a screenshot of the whole screen (ImageMagick's import) as ShotPath(Name) and
// reads it.
QImage Screenshot(const QString& Name);

// Lets the event loop run until Done holds or 20 seconds pass; whether Done held.
bool WaitFor(const std::function<bool()>& Done);

class TNoPrompts final : public IPrompter {
 public:
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  TMsgResult MessageBox(const std::string&, const std::string&, TMsgButtons) override {
    return TMsgResult::Ok;
  }
  void ShowMessage(const std::string&) override {}
};

}  // namespace dravel::e2e
