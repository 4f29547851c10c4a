// PopupMenu1 and the plain commands: Display Items, Exclude Process, Sensors, Network Access,
// Update Interval, About, Set Form Width and Height, Wipe, and the prompt helpers.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "formatter/FormatterRegistry.h"
#include "panel/dravel2a_menu_support.h"
#include "panel/NetworkAccessDialog.h"
#include "panel/SensorsDialog.h"
#include "panel/StartAtLoginItem.h"
#include "panel/dravel_options.h"
#include "platform/SettingsStore.h"
#include "sampling/LocalSampler.h"
#include "sampling/MeasuringChoice.h"
#include "sampling/Sampler.h"

namespace dravel {

namespace {

// The options dialog's view of the window.
class TWindowOptionHost final : public IOptionHost {
 public:
  explicit TWindowOptionHost(TDravelDisplay& Window) : FWindow(Window) {}
  const TFormatterRegistry& Formatters() const override { return *FWindow.FFormatters; }
  const std::string& FormatText() const override { return FWindow.FFormatText; }
  void BuildLabels(const std::string& Text) override { FWindow.BuildLabels(Text); }
  void SetFormatString(const std::string& Text) override { FWindow.SetFormatString(Text); }
  void ArrangeLabels(bool KeepRightEdge) override { FWindow.ArrangeLabels(KeepRightEdge); }

 private:
  TDravelDisplay& FWindow;
};

// The network access dialog's view of the window: the store its servers read (in client
// mode the per-server key) and their restarts.
class TWindowNetworkHost final : public INetworkAccessHost {
 public:
  explicit TWindowNetworkHost(TDravelDisplay& Window) : FWindow(Window) {}
  TRegistry& Settings() override { return *FWindow.SettingsRegistry; }
  bool ListenGiven() const override { return FWindow.CommandLine.Listen.has_value(); }
  bool AllowGiven() const override { return FWindow.CommandLine.Allow.has_value(); }
  void RestartWebService() override { FWindow.RestartWebService(); }
  void RestartLinkServer() override { FWindow.RestartServerRole(); }
  void Guarded(const std::function<void()>& Step) override { FWindow.Guarded(Step); }

 private:
  TDravelDisplay& FWindow;
};

}  // namespace

std::int32_t DigitsValue(const std::string& Text) {
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size()) {
    throw std::runtime_error("'" + Text + "' is not a valid integer value");
  }
  return Value;
}

std::int32_t IntegerOr(const std::string& Text, std::int32_t Default) {
  std::size_t I = 0;
  while (I < Text.size() && Text[I] == ' ') ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) Negative = Text[I++] == '-';
  int Base = 10;
  if (I < Text.size() && Text[I] == '$') {
    Base = 16;
    ++I;
  }
  if (I == Text.size()) return Default;
  std::int64_t Value = 0;
  const char* Begin = Text.data() + I;
  const char* End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Begin, End, Value, Base);
  if (Error != std::errc() || Stop != End || Value < 0) return Default;
  if (Negative) Value = -Value;
  if (Value < std::numeric_limits<std::int32_t>::min() ||
      Value > std::numeric_limits<std::int32_t>::max()) {
    return Default;
  }
  return static_cast<std::int32_t>(Value);
}

bool TDravelDisplay::IsAllDigits(const std::string& Text) {
  if (Text.empty()) return false;
  for (const char C : Text) {
    if (C < '0' || C > '9') return false;
  }
  return true;
}

void TDravelDisplay::CreateMenu() {
  const auto Command = [this](const char* Caption, void (TDravelDisplay::*Handler)()) {
    return PopupMenu1->addAction(QString::fromLatin1(Caption), this, Handler);
  };
  // A toggle's handler flips the tick itself, as it does when the set-up replays it,
  // so the flip Qt makes on a click is undone first.
  const auto Toggle = [this](const char* Caption, void (TDravelDisplay::*Handler)()) {
    QAction* Item = PopupMenu1->addAction(QString::fromLatin1(Caption));
    Item->setCheckable(true);
    connect(Item, &QAction::triggered, this, [this, Item, Handler](bool Checked) {
      Item->setChecked(!Checked);
      (this->*Handler)();
    });
    return Item;
  };

  DisplayItems1 = Command("&Display Items", &TDravelDisplay::DisplayItems1Click);
  ExcludeProcessfromPercentage1 = Command("&Exclude Process from Percentage",
                                          &TDravelDisplay::ExcludeProcessfromPercentage1Click);
  Sensors1 = Command("&Sensors...", &TDravelDisplay::Sensors1Click);
  DisplayProcessorUsageinIcon1 =
      Toggle("Display Processor Usage in Icon", &TDravelDisplay::DisplayProcessorUsageinIcon1Click);
  Flashkeyboardlights1 =
      Toggle("Flash Scroll Lock if Net is in use", &TDravelDisplay::Flashkeyboardlights1Click);
  UpdateInterval1 = Command("Update &Interval", &TDravelDisplay::UpdateInterval1Click);
  AlwaysOnTop1 = Toggle("Always &On Top", &TDravelDisplay::AlwaysOnTop1Click);
  PinToDesktop = Toggle("&Pin To Desktop", &TDravelDisplay::PinToDesktopClick);
  ShowDraggingHandle1 = Toggle("Show Dragging Handle", &TDravelDisplay::ShowDraggingHandle1Click);
  Transparent1 = Toggle("&Transparent", &TDravelDisplay::Transparent1Click);
  DegreeofTransparency1 =
      Command("Degree of &Alpha Transparency", &TDravelDisplay::DegreeofTransparency1Click);

  Align1 = PopupMenu1->addMenu(QStringLiteral("Ali&gn"));
  auto* AlignGroup = new QActionGroup(Align1);
  // A stored value other than 0 or 1 ticks neither item.
  AlignGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  Right1 = Align1->addAction(QStringLiteral("Right"), this, [this] { Center1Click(1); });
  Left1 = Align1->addAction(QStringLiteral("Left"), this, [this] { Center1Click(0); });
  for (QAction* Item : {Right1, Left1}) {
    Item->setCheckable(true);
    AlignGroup->addAction(Item);
  }
  Left1->setChecked(true);

  Font1 = Command("&Font", &TDravelDisplay::Font1Click);
  AverageUptime1 = Command("Average &Uptime", &TDravelDisplay::AverageUptime1Click);
  LongestUptime1 = Command("&Longest Uptime", &TDravelDisplay::LongestUptime1Click);
  ActasServer1 = Toggle("Act as &Server", &TDravelDisplay::ActasServer1Click);
  ActasWebService = Toggle("Act as Web Service", &TDravelDisplay::ActasWebService1Click);
  NetworkAccess1 = Command("Network &Access...", &TDravelDisplay::NetworkAccess1Click);
  StartatLogin1 = new TStartAtLoginItem(*PopupMenu1, [this](const std::exception& Error) { ShowError(Error); });
  About1 = Command("A&bout", &TDravelDisplay::About1Click);
  LockPosition1 = Toggle("Loc&k Form", &TDravelDisplay::LockPosition1Click);
  SetFormWidth1 = Command("Set Form &Width and Height", &TDravelDisplay::SetFormWidth1Click);
  WipeRegistrySettings1 =
      Toggle("Wipe &Registry Settings On Exit", &TDravelDisplay::WipeRegistrySettings1Click);
  HideIcon1 = Command("&Hide Icon", &TDravelDisplay::HideIcon1Click);
  Exit1 = Command("E&xit", &TDravelDisplay::Exit1Click);

  // Without a notification area the menu opens from the panel itself.
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& ClientPos) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) PopupMenu1->popup(mapToGlobal(ClientPos));
  });
}

void TDravelDisplay::TickAlignItem() {
  Left1->setChecked(LabelAlign == 0);
  Right1->setChecked(LabelAlign == 1);
}

void TDravelDisplay::DisplayItems1Click() {
  // Not while another command's prompt has the timer stopped.
  if (!TimerEnabled() || FExited) return;
  TWindowOptionHost Host(*this);
  TOptionForm Form(this, Host);
  const TTimerPause Pause(*this);
  if (ExecDialog) {
    ExecDialog(Form);
  } else {
    Form.exec();
  }
}

void TDravelDisplay::ExcludeProcessfromPercentage1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    std::string Text =
        SettingsRegistry->ValueExists("Exclude") ? SettingsRegistry->ReadString("Exclude") : "";
    if (!Prompter().InputQuery("Comma-separated processes to exclude from percentage counter",
                               "Leave blank to remove exclusion", Text)) {
      return;
    }
    SettingsRegistry->WriteString("Exclude", Text);
    if (FSampler) FSampler->SetExcludeText(Text);
  });
}

void TDravelDisplay::Sensors1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    TSensorsDialog Dialog(this, ReadMeasuringChoice(*SettingsRegistry).Sensors);
    Dialog.OnChoice = [this](const TSensorChoice& Choice) {
      Guarded([&] { WriteSensorChoice(*SettingsRegistry, Choice); });
      if (FLocalSampler) FLocalSampler->MBM().SetSensorChoice(Choice);
    };
    if (ExecDialog) {
      ExecDialog(Dialog);
    } else {
      Dialog.exec();
    }
  });
}

void TDravelDisplay::NetworkAccess1Click() {
  const TTimerPause Pause(*this);
  TWindowNetworkHost Host(*this);
  TNetworkAccessDialog Dialog(this, Host);
  if (ExecDialog) {
    ExecDialog(Dialog);
  } else {
    Dialog.exec();
  }
}

void TDravelDisplay::UpdateInterval1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    std::string Text = std::to_string(TimerInterval());
    if (!Prompter().InputQuery("Update Interval", "Interval in milliseconds", Text)) return;
    Text = TrimBlanks(Text);
    if (!IsAllDigits(Text)) return;
    SetTimerInterval(DigitsValue(Text));
    SettingsRegistry->WriteInteger("Interval", TimerInterval());
  });
}

void TDravelDisplay::About1Click() {
  const TTimerPause Pause(*this);
  Prompter().MessageBox(
      "Vantor, the desktop system-information panel, written by the Dravel team.\r\n"
      "Remote monitoring and web service contributed by the Dravel link and service authors.\r\n"
      "Sensor figures come from Motherboard Monitor (MBM) by Alex Van Kaam.\r\n"
      "The colour label with markup follows the Qarv colour label.\r\n"
      "Thanks to everyone who tried the panel and reported what they found.",
      "Vantor version " + std::to_string(ProgramVersionNumber), TMsgButtons::Ok);
}

void TDravelDisplay::SetFormWidth1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    std::string Text = std::to_string(width());
    if (!Prompter().InputQuery("Form Width", "Enter desired Width in pixels", Text)) return;
    // A window needs at least one pixel each way.
    resize(std::max(1, IntegerOr(Text, width())), height());
    Text = std::to_string(height());
    if (!Prompter().InputQuery("Form Height", "Enter desired Height in pixels", Text)) return;
    resize(width(), std::max(1, IntegerOr(Text, height())));
    AutoSizeForm = false;
    UpdateColourKeyShape();
  });
}

void TDravelDisplay::WipeRegistrySettings1Click() {
  WipeRegistrySettings1->setChecked(!WipeRegistrySettings1->isChecked());
}

bool TDravelDisplay::WipeOnExit() const {
  return WipeRegistrySettings1 != nullptr && WipeRegistrySettings1->isChecked();
}

}  // namespace dravel
