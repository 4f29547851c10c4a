// The menu commands: their effect on the window, the refresh timer and the store.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

#include "PanelTestSupport.h"
#include "formatter/FormatterRegistry.h"
#include "panel/FmtLabel.h"
#include "panel/NoTrayNotice.h"
#include "panel/dravel_options.h"
#include "panel/FontDialog.h"
#include "panel/NetworkAccessDialog.h"
#include "panel/SensorsDialog.h"
#include "panel/StartAtLoginItem.h"
#include "panel/TrayPictures.h"
#include "monitor/UptimeRecords.h"
#include "sampling/LocalSampler.h"
#include "sampling/Sampler.h"

namespace dravel {
namespace {

// Answers input prompts from a script (nullopt cancels), records every message box
// with its caption, and can run a step while a prompt is open.
class TMenuPrompter final : public IPrompter {
 public:
  struct TScript {
    std::vector<std::optional<std::string>> Answers;
    std::vector<std::string> Prompts;   // caption "|" prompt "|" prefilled value
    std::vector<std::string> Messages;  // caption "|" text
    std::function<void()> WhilePrompting;
  };
  explicit TMenuPrompter(std::shared_ptr<TScript> Script) : FScript(std::move(Script)) {}

  bool InputQuery(const std::string& Caption, const std::string& Prompt,
                  std::string& Value) override {
    FScript->Prompts.push_back(Caption + "|" + Prompt + "|" + Value);
    if (FScript->WhilePrompting) FScript->WhilePrompting();
    if (FScript->Answers.empty()) return false;
    const std::optional<std::string> Answer = FScript->Answers.front();
    FScript->Answers.erase(FScript->Answers.begin());
    if (!Answer) return false;
    Value = *Answer;
    return true;
  }
  TMsgResult MessageBox(const std::string& Text, const std::string& Caption, TMsgButtons) override {
    FScript->Messages.push_back(Caption + "|" + Text);
    return TMsgResult::Ok;
  }
  void ShowMessage(const std::string& Text) override { FScript->Messages.push_back("|" + Text); }

 private:
  std::shared_ptr<TScript> FScript;
};

class MenuTest : public testing::PanelTest {
 protected:
  // A text without uptime, thread or process tags, so the up time stays 0.
  void SetUp() override {
    PanelTest::SetUp();
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);  // an older store would be wiped at start
    Seed->WriteString("FormatString", "Line one\r\nLine two");
  }
  std::unique_ptr<TDravelDisplay> Open(const std::vector<std::string>& Args = {}) {
    return std::make_unique<TDravelDisplay>(Args, std::make_unique<TMenuPrompter>(Script));
  }
  void Answer(std::vector<std::optional<std::string>> Answers) {
    Script->Answers = std::move(Answers);
  }

  std::shared_ptr<TMenuPrompter::TScript> Script = std::make_shared<TMenuPrompter::TScript>();
};

TEST_F(MenuTest, TheMenuHoldsEveryItemInDisplayOrder) {
  auto Panel = Open();
  QStringList Captions;
  for (const QAction* Item : Panel->PopupMenu1->actions()) Captions << Item->text();
  EXPECT_EQ(Captions, (QStringList{"&Display Items",
                                   "&Exclude Process from Percentage",
                                   "&Sensors...",
                                   "Display Processor Usage in Icon",
                                   "Flash Scroll Lock if Net is in use",
                                   "Update &Interval",
                                   "Always &On Top",
                                   "&Pin To Desktop",
                                   "Show Dragging Handle",
                                   "&Transparent",
                                   "Degree of &Alpha Transparency",
                                   "Ali&gn",
                                   "&Font",
                                   "Average &Uptime",
                                   "&Longest Uptime",
                                   "Act as &Server",
                                   "Act as Web Service",
                                   "Network &Access...",
                                   "Start at &Login",
                                   "A&bout",
                                   "Loc&k Form",
                                   "Set Form &Width and Height",
                                   "Wipe &Registry Settings On Exit",
                                   "&Hide Icon",
                                   "E&xit"}));
  for (QAction* Toggle :
       {Panel->DisplayProcessorUsageinIcon1, Panel->Flashkeyboardlights1, Panel->AlwaysOnTop1,
        Panel->PinToDesktop, Panel->ShowDraggingHandle1, Panel->Transparent1, Panel->ActasServer1,
        Panel->ActasWebService, Panel->StartatLogin1->Item(), Panel->LockPosition1,
        Panel->WipeRegistrySettings1}) {
    EXPECT_TRUE(Toggle->isCheckable()) << Toggle->text().toStdString();
  }
  ASSERT_EQ(Panel->Align1->actions().size(), 2);
  EXPECT_EQ(Panel->Align1->actions()[0]->text(), "Right");
  EXPECT_EQ(Panel->Align1->actions()[1]->text(), "Left");
  EXPECT_TRUE(Panel->Left1->isChecked());
}

TEST_F(MenuTest, ClickingAToggleTicksItOnceAndStoresIt) {
  auto Panel = Open();
  const std::pair<QAction*, const char*> Toggles[] = {
      {Panel->AlwaysOnTop1, "AOT"},
      {Panel->PinToDesktop, "PinToDesktop"},
      {Panel->ShowDraggingHandle1, "ShowDraggingHandle"},
      {Panel->Transparent1, "Trans"},
      {Panel->Flashkeyboardlights1, "FlashKeyboardLights"},
      {Panel->DisplayProcessorUsageinIcon1, "DisplayProcInTray"},
  };
  for (const auto& [Item, Value] : Toggles) {
    Item->trigger();
    EXPECT_TRUE(Item->isChecked()) << Value;
    EXPECT_TRUE(Store()->ReadBool(Value)) << Value;
    Item->trigger();
    EXPECT_FALSE(Item->isChecked()) << Value;
    EXPECT_FALSE(Store()->ReadBool(Value)) << Value;
  }
  for (QAction* Unstored : {Panel->LockPosition1, Panel->WipeRegistrySettings1}) {
    Unstored->trigger();
    EXPECT_TRUE(Unstored->isChecked());
  }
  EXPECT_TRUE(Panel->WipeOnExit());
  EXPECT_FALSE(Store()->ValueExists("Wipe"));
}

TEST_F(MenuTest, AlphaPromptAcceptsOnlyZeroTo255) {
  auto Panel = Open();
  Answer({" 200 "});
  Panel->DegreeofTransparency1Click();
  EXPECT_EQ(Panel->FAlpha, 200);
  EXPECT_EQ(Store()->ReadInteger("Alpha"), 200);
  EXPECT_EQ(Script->Prompts.back(),
            "Alpha Transparency|Value between 0-255, with 0 invisible and 255 all visible|255");
  for (const char* Rejected : {"300", "-1", "abc", "", "2 0"}) {
    Answer({Rejected});
    Panel->DegreeofTransparency1Click();
    EXPECT_EQ(Panel->FAlpha, 200) << Rejected;
    EXPECT_TRUE(Panel->TimerEnabled()) << Rejected;
  }
  Answer({std::nullopt});
  Panel->DegreeofTransparency1Click();
  EXPECT_EQ(Panel->FAlpha, 200);
  EXPECT_TRUE(Script->Messages.empty());
}

TEST_F(MenuTest, ANumberBeyond32BitsIsReportedAndChangesNothing) {
  auto Panel = Open();
  Answer({"99999999999"});
  Panel->DegreeofTransparency1Click();
  EXPECT_EQ(Panel->FAlpha, 255);
  ASSERT_EQ(Script->Messages.size(), 1U);
  EXPECT_EQ(Script->Messages[0], "|'99999999999' is not a valid integer value");
  EXPECT_TRUE(Panel->TimerEnabled());
  Answer({"4294967296"});
  Panel->UpdateInterval1Click();
  EXPECT_EQ(Script->Messages.back(), "|'4294967296' is not a valid integer value");
  EXPECT_EQ(Panel->TimerInterval(), 1000);
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(MenuTest, AlphaShowsOnlyWhileTransparentIsTicked) {
  auto Panel = Open();
  Answer({"128"});
  Panel->DegreeofTransparency1Click();
  EXPECT_DOUBLE_EQ(Panel->windowOpacity(), 1.0);
  Panel->Transparent1Click();
  EXPECT_NEAR(Panel->windowOpacity(), 128 / 255.0, 0.01);
  Panel->Transparent1Click();
  EXPECT_DOUBLE_EQ(Panel->windowOpacity(), 1.0);
}

TEST_F(MenuTest, IntervalPromptSetsTheRefreshAndZeroStopsIt) {
  auto Panel = Open();
  Answer({"500"});
  Panel->UpdateInterval1Click();
  EXPECT_EQ(Script->Prompts.back(), "Update Interval|Interval in milliseconds|1000");
  EXPECT_EQ(Panel->TimerInterval(), 500);
  EXPECT_EQ(Store()->ReadInteger("Interval"), 500);
  EXPECT_TRUE(Panel->Timer1->isActive());
  Answer({"0"});
  Panel->UpdateInterval1Click();
  EXPECT_EQ(Panel->TimerInterval(), 0);
  EXPECT_EQ(Store()->ReadInteger("Interval"), 0);
  EXPECT_FALSE(Panel->Timer1->isActive());
  Answer({"-5"});
  Panel->UpdateInterval1Click();
  EXPECT_EQ(Panel->TimerInterval(), 0);
}

TEST_F(MenuTest, EveryPromptStopsTheTimerAndStartsItAgain) {
  auto Panel = Open();
  std::vector<bool> EnabledDuringPrompt;
  Script->WhilePrompting = [&] { EnabledDuringPrompt.push_back(Panel->TimerEnabled()); };
  const std::vector<void (TDravelDisplay::*)()> Commands{
      &TDravelDisplay::UpdateInterval1Click, &TDravelDisplay::DegreeofTransparency1Click,
      &TDravelDisplay::SetFormWidth1Click, &TDravelDisplay::ExcludeProcessfromPercentage1Click};
  for (const auto Command : Commands) {
    Answer({std::nullopt});
    (Panel.get()->*Command)();
    EXPECT_TRUE(Panel->TimerEnabled());
  }
  EXPECT_EQ(EnabledDuringPrompt, std::vector<bool>(4, false));
}

TEST_F(MenuTest, AWhiteFontTurnsTheWindowBlackAndAnyOtherWhite) {
  auto Panel = Open();
  Panel->FontDialog1.Color = Qt::white;
  Panel->ApplyFont();
  EXPECT_EQ(Panel->WindowColor(), QColor(Qt::black));
  Panel->FontDialog1.Color = QColor(254, 255, 255);
  Panel->ApplyFont();
  EXPECT_EQ(Panel->WindowColor(), QColor(Qt::white));
}

TEST_F(MenuTest, FontDialogOkStoresTheFontAsWindowsValues) {
  auto Panel = Open();
  Panel->ExecDialog = [](QDialog& Dialog) {
    auto& Fonts = dynamic_cast<TFontDialog&>(Dialog);
    Fonts.SizeBox->setValue(14);
    Fonts.SelectColor(QColor(0x11, 0x22, 0x33));
    Fonts.BoldBox->setChecked(true);
    Fonts.UnderlineBox->setChecked(true);
    return static_cast<int>(QDialog::Accepted);
  };
  Panel->Font1Click();
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("FontColor"), 0x332211);
  EXPECT_EQ(Seen->ReadInteger("FontSize"), 14);
  EXPECT_EQ(Seen->ReadInteger("FontPitch"), 0);
  EXPECT_EQ(Seen->ReadBinaryData("FontStyle"), std::vector<std::uint8_t>{5});
  EXPECT_EQ(Seen->ReadString("FontName"), Panel->FontDialog1.Font.family().toStdString());
  EXPECT_EQ(Panel->FontDialog1.Font.pointSize(), 14);
  for (const TFmtLabel* Label : Panel->Labels()) EXPECT_EQ(Label->font().pointSize(), 14);
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(MenuTest, FontApplyPreviewsAtOnceAndCancelPutsTheKeptFontBack) {
  auto Panel = Open();
  const int Before = Panel->FontDialog1.Font.pointSize();
  int PreviewSize = 0;
  QColor PreviewWindow;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    auto& Fonts = dynamic_cast<TFontDialog&>(Dialog);
    Fonts.SizeBox->setValue(20);
    Fonts.SelectColor(Qt::white);
    Fonts.OnApply();
    PreviewSize = Panel->Labels().front()->font().pointSize();
    PreviewWindow = Panel->WindowColor();
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->Font1Click();
  EXPECT_EQ(PreviewSize, 20);
  EXPECT_EQ(PreviewWindow, QColor(Qt::black));
  EXPECT_EQ(Panel->FontDialog1.Font.pointSize(), Before);
  EXPECT_EQ(Panel->Labels().front()->font().pointSize(), Before);
  EXPECT_EQ(Panel->WindowColor(), QColor(Qt::white));
  EXPECT_EQ(Store()->ReadInteger("FontSize"), Before);
}

TEST_F(MenuTest, StoredLookIsRestoredAtStart) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Alpha", 100);
    Seed->WriteBool("Trans", true);
    Seed->WriteBool("AOT", true);
    Seed->WriteString("FontName", "DejaVu Sans");
    Seed->WriteInteger("FontColor", 0xFFFFFF);
    Seed->WriteInteger("FontSize", 11);
    const std::array<std::uint8_t, 1> Italic{2};
    Seed->WriteBinaryData("FontStyle", Italic);
    Seed->WriteBool("FlashKeyboardLights", true);
  }
  auto Panel = Open();
  EXPECT_EQ(Panel->FAlpha, 100);
  EXPECT_TRUE(Panel->Transparent1->isChecked());
  EXPECT_TRUE(Panel->AlwaysOnTop1->isChecked());
  EXPECT_NEAR(Panel->windowOpacity(), 100 / 255.0, 0.01);
  EXPECT_EQ(Panel->FontDialog1.Font.pointSize(), 11);
  EXPECT_TRUE(Panel->FontDialog1.Font.italic());
  EXPECT_EQ(Panel->WindowColor(), QColor(Qt::black));
  EXPECT_TRUE(Panel->Flashkeyboardlights1->isChecked());
  EXPECT_FALSE(Panel->PinToDesktop->isChecked());
}

TEST_F(MenuTest, SetFormWidthAndHeightFixesTheSizeUntilTheNextFontChange) {
  auto Panel = Open();
  const QSize Auto = Panel->size();
  Answer({"300", "120"});
  Panel->SetFormWidth1Click();
  EXPECT_EQ(Script->Prompts[0],
            "Form Width|Enter desired Width in pixels|" + std::to_string(Auto.width()));
  EXPECT_EQ(Script->Prompts[1],
            "Form Height|Enter desired Height in pixels|" + std::to_string(Auto.height()));
  EXPECT_EQ(Panel->size(), QSize(300, 120));
  EXPECT_FALSE(Panel->AutoSizeForm);
  Panel->ArrangeLabels(false);
  EXPECT_EQ(Panel->size(), QSize(300, 120));
  Panel->ApplyFont();
  EXPECT_TRUE(Panel->AutoSizeForm);
  EXPECT_EQ(Panel->size(), Auto);
}

TEST_F(MenuTest, WidthAloneHoldsOnlyUntilTheNextAutomaticSizing) {
  auto Panel = Open();
  const QSize Auto = Panel->size();
  Answer({"abc", std::nullopt});
  Panel->SetFormWidth1Click();
  EXPECT_EQ(Panel->size(), Auto);
  Answer({"250", std::nullopt});
  Panel->SetFormWidth1Click();
  EXPECT_EQ(Panel->width(), 250);
  EXPECT_TRUE(Panel->AutoSizeForm);
  Panel->ArrangeLabels(false);
  EXPECT_EQ(Panel->size(), Auto);
}

TEST_F(MenuTest, DisplayItemsOpensTheOptionsDialogWithTheTimerStopped) {
  auto Panel = Open();
  int Shown = 0;
  bool TimerDuringDialog = true;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    ++Shown;
    TimerDuringDialog = Panel->TimerEnabled();
    auto& Options = dynamic_cast<TOptionForm&>(Dialog);
    EXPECT_EQ(Options.EditedText(), "Line one\r\nLine two");
    Options.Memo1->setPlainText("Only line");
    Options.btnOKClick();
    return Options.result();
  };
  Panel->DisplayItems1Click();
  EXPECT_EQ(Shown, 1);
  EXPECT_FALSE(TimerDuringDialog);
  EXPECT_TRUE(Panel->TimerEnabled());
  EXPECT_EQ(Panel->FFormatText, "Only line");
  EXPECT_EQ(Store()->ReadString("FormatString"), "Only line");
  EXPECT_EQ(Panel->Labels().size(), 1U);
}

TEST_F(MenuTest, DisplayItemsDoesNothingWhileAnotherPromptIsOpen) {
  auto Panel = Open();
  int Shown = 0;
  Panel->ExecDialog = [&](QDialog&) {
    ++Shown;
    return static_cast<int>(QDialog::Rejected);
  };
  Script->WhilePrompting = [&] { Panel->DisplayItems1Click(); };
  Answer({std::nullopt});
  Panel->UpdateInterval1Click();
  EXPECT_EQ(Shown, 0);
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(MenuTest, ExcludePromptStoresAndParsesTheList) {
  auto Panel = Open();
  Answer({"notepad, \"my app\""});
  Panel->ExcludeProcessfromPercentage1Click();
  EXPECT_EQ(Script->Prompts.back(),
            "Comma-separated processes to exclude from percentage counter|"
            "Leave blank to remove exclusion|");
  EXPECT_EQ(Store()->ReadString("Exclude"), "notepad, \"my app\"");
  EXPECT_EQ(Panel->FSampler->ExcludeText(), "notepad, \"my app\"");
  EXPECT_EQ(Panel->FSampler->ExcludeList(), (std::vector<std::string>{"notepad", "my app"}));
  Answer({std::nullopt});
  Panel->ExcludeProcessfromPercentage1Click();
  EXPECT_EQ(Script->Prompts.back(),
            "Comma-separated processes to exclude from percentage counter|"
            "Leave blank to remove exclusion|notepad, \"my app\"");
  EXPECT_EQ(Store()->ReadString("Exclude"), "notepad, \"my app\"");
  Answer({""});
  Panel->ExcludeProcessfromPercentage1Click();
  EXPECT_TRUE(Store()->ValueExists("Exclude"));
  EXPECT_EQ(Store()->ReadString("Exclude"), "");
  EXPECT_TRUE(Panel->FSampler->ExcludeList().empty());
}

TEST_F(MenuTest, SetUpHandsTheStoredAdaptersAndSensorsToTheSampler) {
  Store()->WriteString("Adapters", "wlan0,eth0");
  Store()->WriteString("Fan2", "thinkpad/fan2");
  auto Panel = Open();
  EXPECT_EQ(Panel->FSampler->Adapters(), (std::vector<std::string>{"wlan0", "eth0"}));
  EXPECT_EQ(Panel->FLocalSampler->MBM().SensorChoice().Fans[1], "thinkpad/fan2");
}

TEST_F(MenuTest, SensorsChoiceIsStoredAtOnceAndReachesTheReader) {
  Store()->WriteString("Temp1", "nvme/Composite");
  auto Panel = Open();
  bool TimerDuringDialog = true;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    TimerDuringDialog = Panel->TimerEnabled();
    auto& Sensors = dynamic_cast<TSensorsDialog&>(Dialog);
    EXPECT_EQ(Sensors.cbTemps[0]->currentText().toStdString(), "nvme/Composite (not present)");
    Sensors.cbTemps[0]->setCurrentIndex(0);  // back to the default order
    EXPECT_FALSE(Store()->ValueExists("Temp1"));
    Sensors.cbTemps[2]->addItem("acpitz/temp1", QByteArray("acpitz/temp1"));
    Sensors.cbTemps[2]->setCurrentIndex(Sensors.cbTemps[2]->count() - 1);
    EXPECT_EQ(Store()->ReadString("Temp3"), "acpitz/temp1");
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->Sensors1Click();
  EXPECT_FALSE(TimerDuringDialog);
  EXPECT_TRUE(Panel->TimerEnabled());
  EXPECT_EQ(Panel->FLocalSampler->MBM().SensorChoice().Temps[0], "");
  EXPECT_EQ(Panel->FLocalSampler->MBM().SensorChoice().Temps[2], "acpitz/temp1");
}

TEST_F(MenuTest, NetworkAccessOpensItsDialogWithTheTimerStoppedAndWritesTheStore) {
  auto Panel = Open();
  EXPECT_EQ(Panel->NetworkAccess1->text(), "Network &Access...");
  bool Opened = false;
  bool TimerDuringDialog = true;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    TimerDuringDialog = Panel->TimerEnabled();
    auto& Access = dynamic_cast<TNetworkAccessDialog&>(Dialog);
    Opened = true;
    EXPECT_TRUE(Access.lblListen->isHidden());  // no --listen on this run
    Access.edAllow->setText("192.168.0.0/16");
    emit Access.edAllow->editingFinished();
    Access.cbSecureOnly->click();
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->NetworkAccess1->trigger();
  EXPECT_TRUE(Opened);
  EXPECT_FALSE(TimerDuringDialog);
  EXPECT_TRUE(Panel->TimerEnabled());
  EXPECT_EQ(Store()->ReadString("AllowFrom"), "192.168.0.0/16");
  EXPECT_TRUE(Store()->ReadBool("LinkSecureOnly"));
  EXPECT_TRUE(Script->Messages.empty());  // no server ran, none to restart
}

TEST_F(MenuTest, NetworkAccessSaysWhenTheCommandLineOverridesTheListenAddress) {
  auto Panel = Open({"--listen=127.0.0.1"});
  QString Note;
  Panel->ExecDialog = [&](QDialog& Dialog) {
    auto& Access = dynamic_cast<TNetworkAccessDialog&>(Dialog);
    if (!Access.lblListen->isHidden()) Note = Access.lblListen->text();
    EXPECT_TRUE(Access.lblAllow->isHidden());
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->NetworkAccess1Click();
  EXPECT_EQ(Note, "--listen on this run's command line overrides this value until the panel is "
                  "started again.");
}

TEST_F(MenuTest, InClientModeNetworkAccessWritesThePerServerKeyTheServersRead) {
  auto Panel = Open({"-c", "-i127.0.0.1", "-p1"});
  ASSERT_TRUE(Panel->ClientMode);
  Panel->ExecDialog = [&](QDialog& Dialog) {
    auto& Access = dynamic_cast<TNetworkAccessDialog&>(Dialog);
    Access.edListen->setText("127.0.0.1");
    emit Access.edListen->editingFinished();
    return static_cast<int>(QDialog::Rejected);
  };
  Panel->NetworkAccess1Click();
  EXPECT_EQ(Store(std::string(MainSettingsKey) + "\\127.0.0.1:1")->ReadString("ListenAddress"),
            "127.0.0.1");
  EXPECT_FALSE(Store()->ValueExists("ListenAddress"));
}

TEST_F(MenuTest, AboutShowsVersion87AndFiveCreditLines) {
  auto Panel = Open();
  Panel->About1Click();
  ASSERT_EQ(Script->Messages.size(), 1U);
  const std::string& Shown = Script->Messages[0];
  EXPECT_EQ(Shown.substr(0, Shown.find('|')), "Vantor version 87");
  std::size_t Lines = 1;
  for (std::size_t At = Shown.find("\r\n"); At != std::string::npos;
       At = Shown.find("\r\n", At + 2))
    ++Lines;
  EXPECT_EQ(Lines, 5U);
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(MenuTest, LockFormAndTransparentDecideWhatAPressMoves) {
  auto Panel = Open();
  const TFmtLabel* Label = Panel->Labels().front();
  const QPoint OnLabel = Label->geometry().center();
  const QPoint Background(Panel->width() - 1, Panel->height() - 1);
  ASSERT_EQ(Panel->childAt(Background), nullptr);
  EXPECT_TRUE(Panel->PressMovesWindow(Background));
  EXPECT_FALSE(Panel->PressMovesWindow(OnLabel));
  Panel->Transparent1Click();
  EXPECT_TRUE(Panel->PressMovesWindow(OnLabel));
  Panel->LockPosition1Click();
  EXPECT_FALSE(Panel->PressMovesWindow(Background));
  EXPECT_FALSE(Panel->PressMovesWindow(OnLabel));
}

TEST_F(MenuTest, DraggingHandleShowsTheIconOrTheWindowColour) {
  auto Panel = Open();
  const auto HandlePixel = [&] { return Panel->DragImg->grab().toImage().pixel(10, 10); };
  EXPECT_EQ(HandlePixel(), QColor(Qt::white).rgb());
  Panel->ShowDraggingHandle1Click();
  EXPECT_NE(HandlePixel(), QColor(Qt::white).rgb());
  Panel->ShowDraggingHandle1Click();
  Panel->FontDialog1.Color = Qt::white;
  Panel->ApplyFont();
  EXPECT_EQ(HandlePixel(), QColor(Qt::black).rgb());
}

TEST_F(MenuTest, TrayIconShowsTheUsageDigitsOrTheLinkState) {
  auto Panel = Open();
  EXPECT_EQ(Panel->FTrayMode, 0);
  EXPECT_EQ(Panel->FTrayPicture.pixmap(16, 16).toImage(),
            SmileyIcon(true).pixmap(16, 16).toImage());
  Panel->DisplayProcessorUsageinIcon1Click();
  EXPECT_EQ(Panel->FTrayMode, 2);
  EXPECT_TRUE(Panel->FFormatters->Proc().Active());
  Panel->FRawData->Data.ProcUsage[0] = 42.6F;
  Panel->RenderLabels();
  EXPECT_EQ(Panel->FTrayPicture.pixmap(16, 16).toImage(),
            UsagePicture("43", Panel->FontDialog1.Font).toImage());
  // A link error: the disconnected picture, and the render stops redrawing the usage.
  Panel->SetTrayIcon(1);
  Panel->RenderLabels();
  EXPECT_EQ(Panel->FTrayMode, 1);
  EXPECT_EQ(Panel->FTrayPicture.pixmap(16, 16).toImage(),
            SmileyIcon(false).pixmap(16, 16).toImage());
  Panel->SetTrayIcon(7);
  EXPECT_EQ(Panel->FTrayMode, 7);
  EXPECT_EQ(Panel->FTrayPicture.pixmap(16, 16).toImage(),
            SmileyIcon(false).pixmap(16, 16).toImage());
  // Turning the usage off shows the connected picture, whatever the link does.
  Panel->DisplayProcessorUsageinIcon1->setChecked(true);
  Panel->DisplayProcessorUsageinIcon1Click();
  EXPECT_EQ(Panel->FTrayMode, 0);
}

TEST_F(MenuTest, ScrollLockStepFlashesForTrafficOnlyWhenTicked) {
  auto Panel = Open();
  std::vector<std::int32_t> Blinks;
  Panel->StartBlink = [&](std::int32_t Duration) { Blinks.push_back(Duration); };
  Panel->FRawData->Data.NetRead[0] = 150.0F;
  Panel->ScrollLockStep();
  EXPECT_TRUE(Blinks.empty());
  Panel->Flashkeyboardlights1Click();
  Panel->ScrollLockStep();
  Panel->FRawData->Data.NetRead[0] = 0.3F;
  Panel->ScrollLockStep();
  Panel->FRawData->Data.NetRead[0] = 0.0F;
  Panel->FRawData->Data.NetWrite[0] = 0.0F;
  Panel->ScrollLockStep();
  EXPECT_EQ(Blinks, (std::vector<std::int32_t>{500, 0}));
}

TEST_F(MenuTest, WithoutATrayTheRightClickOpensTheMenu) {
  auto Panel = Open();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());  // no notification area offscreen
  // The icon waits for one all the same.
  ASSERT_NE(Panel->FTrayIcon, nullptr);
  EXPECT_TRUE(Panel->FTrayIcon->isVisible());
  EXPECT_EQ(Panel->FTrayIcon->toolTip(), "Vantor");
  emit Panel->customContextMenuRequested(QPoint(1, 1));
  EXPECT_TRUE(Panel->PopupMenu1->isVisible());
  Panel->PopupMenu1->hide();
}

TEST_F(MenuTest, AlignItemsAreRadioItemsStoredAsAlign) {
  auto Panel = Open();
  Panel->Right1->trigger();
  EXPECT_EQ(Panel->LabelAlign, 1);
  EXPECT_TRUE(Panel->Right1->isChecked());
  EXPECT_FALSE(Panel->Left1->isChecked());
  EXPECT_EQ(Store()->ReadInteger("Align"), 1);
  Panel->Left1->trigger();
  EXPECT_EQ(Panel->LabelAlign, 0);
  EXPECT_FALSE(Panel->Right1->isChecked());
  EXPECT_EQ(Store()->ReadInteger("Align"), 0);
}

TEST_F(MenuTest, TheTrayIconsRightClickOpensTheMenuAtTheCursor) {
  auto Panel = Open();
  Panel->TrayIconRightClick(QPoint(30, 40));
  EXPECT_TRUE(Panel->PopupMenu1->isVisible());
  EXPECT_EQ(Panel->PopupMenu1->pos(), QPoint(30, 40));
  Panel->PopupMenu1->hide();
}

TEST_F(MenuTest, StoredUsageInTheTrayIsRestoredAtStart) {
  Store()->WriteBool("DisplayProcInTray", true);
  auto Panel = Open();
  EXPECT_TRUE(Panel->DisplayProcessorUsageinIcon1->isChecked());
  EXPECT_EQ(Panel->FTrayMode, 2);
}

TEST_F(MenuTest, WithoutATrayTheNoticeWaitsForALateTrayFirst) {
  // At login the tray often comes after the panel: nothing is said at once; the watch
  // decides when its wait is over (its own tests cover what it then does).
  auto Panel = Open();
  for (QMessageBox* Box : Panel->findChildren<QMessageBox*>()) EXPECT_FALSE(Box->isVisible());
  EXPECT_NE(Panel->findChild<TNoTrayNotice*>(), nullptr);
  auto Hidden = Open({"-h"});
  EXPECT_EQ(Hidden->findChild<TNoTrayNotice*>(), nullptr);
}

using UptimeMenuTest = MenuTest;

TEST_F(UptimeMenuTest, AFreshStoreAveragesTheCurrentUptimeAndTheExitCountsARun) {
  auto Panel = Open();
  Panel->AverageUptime1Click();
  ASSERT_EQ(Script->Messages.size(), 1U);
  EXPECT_EQ(Script->Messages[0], "Information|Average Uptime:\r\n0 days, 00 hrs, 00 mins, 00 secs");
  EXPECT_TRUE(Panel->TimerEnabled());
  Panel->Exit1Click();
  auto Seen = Store();
  EXPECT_EQ(Seen->ReadInteger("UptimeCount"), 1);
  EXPECT_EQ(ReadUptimeFigure(*Seen, "TotalUptime"), 0);
  EXPECT_EQ(ReadUptimeFigure(*Seen, "LongestUptime"), 0);
}

TEST_F(UptimeMenuTest, LongestUptimeShowsTheStoredRecord) {
  WriteUptimeFigure(*Store(), "LongestUptime", 93784);
  auto Panel = Open();
  Panel->LongestUptime1Click();
  ASSERT_EQ(Script->Messages.size(), 1U);
  EXPECT_EQ(Script->Messages[0],
            "Information|Longest Uptime for this system is:\r\n1 days, 02 hrs, 03 mins, 04 secs");
}

TEST_F(UptimeMenuTest, WrongTypesAndAZeroCountAreShownAndTheTimerRuns) {
  auto Panel = Open();
  Store()->WriteString("LongestUptime", "long");
  Panel->LongestUptime1Click();
  Store()->WriteBinaryData("TotalUptime", std::vector<std::uint8_t>{1});
  Store()->WriteInteger("UptimeCount", 0);
  Panel->AverageUptime1Click();
  EXPECT_EQ(Script->Messages, (std::vector<std::string>{"|Invalid data type for 'LongestUptime'",
                                                        "|Division by zero"}));
  EXPECT_TRUE(Panel->TimerEnabled());
}

TEST_F(UptimeMenuTest, WipeOnExitUpdatesNoRecord) {
  auto Panel = Open();
  Panel->WipeRegistrySettings1Click();
  Panel->Exit1Click();
  auto Seen = Store();
  EXPECT_FALSE(Seen->ValueExists("UptimeCount"));
  EXPECT_FALSE(Seen->ValueExists("TotalUptime"));
  EXPECT_FALSE(Seen->ValueExists("FormatString"));
}

TEST_F(UptimeMenuTest, AClientKeepsItsRecordsInTheServerKeyAndOnlyCounts) {
  const std::string ServerKey = std::string(MainSettingsKey) + "\\127.0.0.1:1";
  Store(ServerKey)->WriteString("FormatString", "Line one");
  auto Panel = Open({"-c", "-i127.0.0.1", "-p1"});
  ASSERT_TRUE(Panel->ClientMode);
  Panel->Exit1Click();
  auto Seen = Store(ServerKey);
  EXPECT_EQ(Seen->ReadInteger("UptimeCount"), 1);
  EXPECT_EQ(ReadUptimeFigure(*Seen, "TotalUptime"), 0);
  EXPECT_FALSE(Store()->ValueExists("UptimeCount"));
}

}  // namespace
}  // namespace dravel
