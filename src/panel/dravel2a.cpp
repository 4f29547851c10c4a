// The main window's set-up (FormCreate), its settings and the exit sequence.
#include "panel/dravel2a.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <exception>

#include "formatter/formatter.h"
#include "panel/FmtLabel.h"
#include "panel/ScreenKeeper.h"
#include "panel/WakeListener.h"
#include "monitor/MonitorCore.h"
#include "monitor/MonitorWeb.h"
#include "monitor/SettingsMigration.h"
#include "platform/HelpPage.h"
#include "platform/SettingsStore.h"
#include "sampling/LocalSampler.h"
#include "sampling/MeasuringChoice.h"
#include "sampling/RawData.h"

namespace dravel {

namespace {

constexpr QPoint DesignPosition{719, 25};
constexpr QSize DesignClientSize{134, 158};
constexpr int DesignInterval = 1000;
constexpr int ClientInterval = 2000;
constexpr const char* DefaultUptimeFormat = "*d* days, *H* hrs, *M* mins, *S* secs";
// Where the performance-data warning sends the user: how to re-enable counters.
constexpr const char* PerfDataHelpPage =
    "https://learn.microsoft.com/troubleshoot/windows-server/performance/"
    "manually-rebuild-performance-counters";

}  // namespace

void TDravelDisplay::Guarded(const std::function<void()>& Step) {
  try {
    Step();
  } catch (const std::exception& Error) {
    ShowError(Error);
  }
}

TDravelDisplay::TDravelDisplay(const std::vector<std::string>& Args,
                               std::unique_ptr<IPrompter> Prompter)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      CommandLine(WindowScan(Args)),
      FPrompter(std::move(Prompter)) {
  if (!FPrompter) FPrompter = MakeQtPrompter(this);
  move(DesignPosition);
  resize(DesignClientSize);
  setAutoFillBackground(true);
  QPalette Colours = palette();
  Colours.setColor(QPalette::Window, Qt::white);
  setPalette(Colours);
  // "MS Sans Serif" is rarely installed; Qt substitutes the nearest sans face.
  FontDialog1.Font = QFont(QStringLiteral("MS Sans Serif"));
  FontDialog1.Font.setStyleHint(QFont::SansSerif);
  FontDialog1.Font.setPointSize(8);
  FontDialog1.Color = Qt::black;
  setFont(FontDialog1.Font);

  DragImg = new QLabel(this);
  DragImg->setGeometry(0, 0, 20, 20);
  PopupMenu1 = new QMenu(this);
  Timer1 = new QTimer(this);
  Timer1->setInterval(DesignInterval);
  connect(Timer1, &QTimer::timeout, this, &TDravelDisplay::Timer1Timer);

  FormCreate();
}

TDravelDisplay::~TDravelDisplay() = default;

void TDravelDisplay::ShowError(const std::exception& Error) {
  Prompter().ShowMessage(Error.what());
}

std::string TDravelDisplay::SettingsKey() const {
  if (!ClientMode) return MainSettingsKey;
  return std::string(MainSettingsKey) + "\\" + CommandLine.Host + ":" +
         std::to_string(CommandLine.Port);
}

void TDravelDisplay::FormCreate() {
  FLabels.clear();
  ClientMode = false;
  CreateMenu();

  ClientMode = CommandLine.ClientSwitch;
  LinkPassword = CommandLine.Password;
  for (int I = 0; I < CommandLine.LockToggles; ++I) ToggleLockForm();
  if (CommandLine.Host.empty()) ClientMode = false;
  if (ClientMode) Guarded([this] { StartClientLink(); });

  SingleInstanceEvent = std::make_unique<TWakeListener>();
  if (!CommandLine.HideTrayIcon) AddTrayIcon();

  OpenSettings();
  TRegistry& Registry = *SettingsRegistry;
  const auto IntOr = [&Registry](const char* Name, int Default) {
    return Registry.ValueExists(Name) ? Registry.ReadInteger(Name) : Default;
  };

  Guarded([this] { RestoreLook(); });
  Guarded([&] {
    move(IntOr("X", DesignPosition.x()), y());
  });
  Guarded([&] { move(x(), IntOr("Y", DesignPosition.y())); });
  AutoSizeForm = true;
  Guarded([&] {
    UptimeFormat = Registry.ValueExists("UTstr") ? Registry.ReadString("UTstr")
                                                 : std::string(DefaultUptimeFormat);
  });
  Guarded([&] { LabelAlign = static_cast<std::uint8_t>(IntOr("Align", 0)); });
  TickAlignItem();
  Guarded([this] { RestoreClientSecurity(); });
  Guarded([this] { RestoreServerRole(); });
  Guarded([this] { RestoreWebService(); });

  StartCore();
  Guarded([&] { FSampler->SetExcludeText(Registry.ReadString("Exclude")); });
  Guarded([&] { FLocalSampler->Choose(ReadMeasuringChoice(Registry)); });

  // A text that cannot be read leaves the default, so the panel still shows something.
  FFormatText = DefaultFormatText(*FFormatters);
  Guarded([&] {
    if (Registry.ValueExists("FormatString")) FFormatText = Registry.ReadString("FormatString");
  });
  Guarded([this] { RestoreToggles(); });
  DrawDragHandle();
  BuildLabels(FFormatText);
  if (FExited) return;  // the first pass failed and ran the exit sequence
  ArrangeLabels(false);
  Guarded([&] {
    if (!Registry.ValueExists("W")) return;
    resize(Registry.ReadInteger("W"), height());
    AutoSizeForm = false;
  });
  Guarded([&] {
    if (!Registry.ValueExists("H")) return;
    resize(width(), Registry.ReadInteger("H"));
    AutoSizeForm = false;
  });
  // On some screen before it shows; after that whenever the screens change.
  auto* Screens = new TScreenKeeper(*this);
  Screens->OnPixelRatioChanged = [this] { DrawDragHandle(); };
  show();
  Guarded([&] { SetTimerInterval(IntOr("Interval", ClientMode ? ClientInterval : DesignInterval)); });
  SetTimerEnabled(true);
  SingleInstanceEvent->Start(this, [this] {
    if (!FExited) RestoreTrayIcon();
  });
}

void TDravelDisplay::StartCore() {
  FCore = std::make_unique<TMonitorCore>(FormatSettingsFromLocale());
  FCore->KeepStoredUptimes(*SettingsRegistry);
  FRawData = &FCore->RawData();
  FRawData->OnRecord = [this](TRawDataShell&) { RenderLabels(); };
  FFormatters = &FCore->Formatters();
  FLocalSampler = &FCore->Local();
  FSampler = &FLocalSampler->Sampler();
  FLocalSampler->MBM().OnStartReport = [this] {
    QMetaObject::invokeMethod(
        this, [this] { if (FLocalSampler) FLocalSampler->MBM().MBMStartFinished(); },
        Qt::QueuedConnection);
  };
  FSampler->SetInterval(static_cast<std::uint32_t>(Timer1->interval()));
  FSampler->RenderLabels = [this] { RenderLabels(); };
  FSampler->OnPerfDataFailure = [this](const std::exception&) { FPerfDataFailed = true; };
}

std::int64_t TDravelDisplay::CurrentUptime() const {
  return FSampler && !ClientMode ? FSampler->CurrentUptime() : 0;
}

void TDravelDisplay::OpenSettings() {
  SettingsRegistry = std::make_unique<TRegistry>();
  if (!SettingsRegistry->RecoveryNotice().empty()) {
    Prompter().ShowMessage(SettingsRegistry->RecoveryNotice());
  }
  Guarded([this] {
    SettingsRegistry->OpenKey(MainSettingsKey, true);
    MigrateSettings(*SettingsRegistry);
  });
  Guarded([this] { SettingsRegistry->WriteInteger("Version", SettingsVersion); });
  if (ClientMode) {
    Guarded([this] {
      SettingsRegistry->CloseKey();
      SettingsRegistry->OpenKey(SettingsKey(), true);
    });
  }
}

void TDravelDisplay::FormShow() {}

void TDravelDisplay::SetTimerEnabled(bool Enabled) {
  FTimerEnabled = Enabled && !FExited;
  if (FTimerEnabled && Timer1->interval() > 0) {
    Timer1->start();
  } else {
    Timer1->stop();
  }
}

void TDravelDisplay::SetTimerInterval(int Milliseconds) {
  Timer1->setInterval(Milliseconds < 0 ? 0 : Milliseconds);
  if (FSampler) FSampler->SetInterval(static_cast<std::uint32_t>(Timer1->interval()));
  SetTimerEnabled(FTimerEnabled);
}

int TDravelDisplay::TimerInterval() const { return Timer1->interval(); }

void TDravelDisplay::Timer1Timer() {
  if (FExited) return;
  RefreshNow(false);
}

void TDravelDisplay::RefreshNow(bool Forced) {
  if (ClientMode) {
    Guarded([this] { ClientRequestStep(); });
    return;
  }
  Guarded([&] { FCore->SamplePass(Forced); });
  // Warned and closed outside the guard: the exit frees what the guard protects.
  if (FPerfDataFailed) PerfDataFailure();
}

void TDravelDisplay::PerfDataFailure() {
  SetTimerEnabled(false);
  if (Prompter().MessageBox(std::string(PerfDataFailureText), "Warning", TMsgButtons::YesNo) ==
      TMsgResult::Yes) {
    OpenDocument(PerfDataHelpPage);
  }
  Exit1Click();
}

void TDravelDisplay::closeEvent(QCloseEvent* Event) {
  Exit1Click();
  Event->accept();
}

void TDravelDisplay::Exit1Click() {
  if (FExited) return;
  FExited = true;
  SetTimerEnabled(false);
  Guarded([this] { StopServerRole(); });
  Guarded([this] { StopWebService(); });
  Guarded([this] { DeleteTrayIcon(); });
  if (SettingsRegistry) {
    if (WipeOnExit()) {
      Guarded([this] {
        const std::string Key = SettingsKey();
        SettingsRegistry->CloseKey();
        SettingsRegistry->DeleteKey(Key);
      });
    } else {
      SaveSettings();
    }
    SettingsRegistry->CloseKey();
    SettingsRegistry.reset();
  }
  FSampler = nullptr;
  FLocalSampler = nullptr;
  FFormatters = nullptr;
  for (TFmtLabel* Label : FLabels) delete Label;
  FLabels.clear();
  FRawData = nullptr;
  FWebService.reset();
  FCore.reset();
  QApplication::quit();
}

void TDravelDisplay::SaveSettings() {
  TRegistry& Registry = *SettingsRegistry;
  for (const TFmtLabel* Label : FLabels) {
    if (Label->Tag != 1) continue;
    const std::string Name = Label->objectName().toStdString();
    Guarded([&] {
      Registry.WriteInteger("XVal_" + Name, Label->x());
      Registry.WriteInteger("YVal_" + Name, Label->y());
    });
  }
  Guarded([&] {
    if (AutoSizeForm) {
      Registry.DeleteValue("W");
      Registry.DeleteValue("H");
    } else {
      Registry.WriteInteger("W", width());
      Registry.WriteInteger("H", height());
    }
  });
  Guarded([&] {
    Registry.WriteInteger("X", x());
    Registry.WriteInteger("Y", y());
  });
  Guarded([this] { SaveUptimeRecords(); });
}

void TDravelDisplay::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton && PressMovesWindow(Event->position().toPoint()) &&
      windowHandle() != nullptr) {
    windowHandle()->startSystemMove();
  }
  QWidget::mousePressEvent(Event);
}

}  // namespace dravel
