#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "panel/Prompts.h"

namespace dravel {
namespace {

using QtPrompterTest = testing::PanelTest;

// The box on screen while the prompter waits, answered with OK.
QMessageBox::Icon IconOfTheBoxShownBy(const std::function<void()>& Show) {
  QMessageBox::Icon Seen = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&Seen] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box) return;
    Seen = Box->icon();
    Box->accept();
  });
  Show();
  return Seen;
}

TEST_F(QtPrompterTest, InformationBoxesCarryTheInformationIcon) {
  const auto Prompter = MakeQtPrompter(nullptr);
  EXPECT_EQ(IconOfTheBoxShownBy([&] { Prompter->InformationBox("Average Uptime:", "Information"); }),
            QMessageBox::Information);
  EXPECT_EQ(IconOfTheBoxShownBy([&] { Prompter->MessageBox("Text", "Caption", TMsgButtons::Ok); }),
            QMessageBox::NoIcon);
}

// A prompter of a test that only knows the plain message box still sees the information.
class TPlainPrompter final : public IPrompter {
 public:
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  TMsgResult MessageBox(const std::string& Text, const std::string& Caption, TMsgButtons) override {
    Shown = Caption + "|" + Text;
    return TMsgResult::Ok;
  }
  void ShowMessage(const std::string&) override {}
  std::string Shown;
};

TEST(InformationBox, FallsBackToThePlainMessageBox) {
  TPlainPrompter Prompter;
  IPrompter& Any = Prompter;
  Any.InformationBox("Longest", "Information");
  EXPECT_EQ(Prompter.Shown, "Information|Longest");
}

}  // namespace
}  // namespace dravel
