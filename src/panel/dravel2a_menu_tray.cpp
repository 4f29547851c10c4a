// The tray icon (its three pictures, its mouse events, Hide Icon), the notice of the no-tray
// fallback, the two indicator toggles and the Scroll Lock step of every render.
#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <mutex>
#include <optional>
#include <utility>

#include "formatter/FormatterRegistry.h"
#include "panel/NoTrayNotice.h"
#include "panel/VantorBlinkThread.h"
#include "panel/dravel2a_menu_support.h"
#include "panel/TrayPictures.h"
#include "platform/SettingsStore.h"
#include "sampling/RawData.h"

namespace dravel {

namespace {

constexpr const char* TrayTip = "Vantor";
// Remembers that the user has read the no-tray notice.
constexpr const char* NoTrayNoticeValue = "NoTrayNoticeShown";

}  // namespace

void TDravelDisplay::AddTrayIcon() {
  if (FTrayPicture.isNull()) FTrayPicture = SmileyIcon(true);
  // Made and shown also while the desktop has no notification area: Qt puts the icon, with
  // its picture and tip, into one that appears later or comes back after a restart.
  if (!FTrayIcon) {
    FTrayIcon = new QSystemTrayIcon(FTrayPicture, this);
    FTrayIcon->setToolTip(QString::fromLatin1(TrayTip));
    connect(FTrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason Reason) {
              if (Reason == QSystemTrayIcon::DoubleClick) TrayIconDoubleClick();
              if (Reason == QSystemTrayIcon::Context) TrayIconRightClick(QCursor::pos());
            });
  }
  FTrayIcon->setIcon(FTrayPicture);
  FTrayIcon->show();
}

void TDravelDisplay::DeleteTrayIcon() {
  if (FTrayIcon) FTrayIcon->hide();
}

void TDravelDisplay::RestoreTrayIcon() {
  DeleteTrayIcon();
  AddTrayIcon();
}

void TDravelDisplay::HideIcon1Click() { DeleteTrayIcon(); }

void TDravelDisplay::TrayIconDoubleClick() {
  if (AlwaysOnTop1->isChecked()) return;
  raise();
  activateWindow();
}

void TDravelDisplay::TrayIconRightClick(const QPoint& ScreenPos) {
  if (!AlwaysOnTop1->isChecked()) ApplyStacking();
  activateWindow();
  PopupMenu1->popup(ScreenPos);
}

void TDravelDisplay::SetTrayIcon(std::uint8_t Mode) {
  FTrayMode = Mode;
  switch (Mode) {
    case 0:
      FTrayPicture = SmileyIcon(true);
      break;
    case 1:
      FTrayPicture = SmileyIcon(false);
      break;
    case 2: {
      // The sampler must gather the usage even when no label shows it.
      FFormatters->Proc().SetActive(true);
      FTrayPicture = QIcon(UsagePicture(QString::fromStdString(TrayUsageText(FFormatters->Proc())),
                                        FontDialog1.Font, devicePixelRatioF()));
      break;
    }
    default:
      return;
  }
  if (FTrayIcon) FTrayIcon->setIcon(FTrayPicture);
}

void TDravelDisplay::RenderTrayIcon() { SetTrayIcon(2); }

void TDravelDisplay::DisplayProcessorUsageinIcon1Click() {
  DisplayProcessorUsageinIcon1->setChecked(!DisplayProcessorUsageinIcon1->isChecked());
  const bool Ticked = DisplayProcessorUsageinIcon1->isChecked();
  Guarded([this, Ticked] { SettingsRegistry->WriteBool("DisplayProcInTray", Ticked); });
  const std::lock_guard Lock(FRawData->Guard);
  SetTrayIcon(Ticked ? 2 : 0);
}

void TDravelDisplay::Flashkeyboardlights1Click() {
  Flashkeyboardlights1->setChecked(!Flashkeyboardlights1->isChecked());
  Guarded([this] {
    SettingsRegistry->WriteBool("FlashKeyboardLights", Flashkeyboardlights1->isChecked());
  });
}

void TDravelDisplay::ScrollLockStep() {
  if (!Flashkeyboardlights1->isChecked()) return;
  const std::optional<std::int32_t> Duration =
      BlinkDuration(FRawData->Data.NetRead[0], FRawData->Data.NetWrite[0]);
  if (!Duration) return;
  if (StartBlink) {
    StartBlink(*Duration);
    return;
  }
  auto Blink = std::make_unique<TBlinkThread>();
  Blink->SetDuration(*Duration);
  TBlinkThread::Resume(std::move(Blink));
}

void TDravelDisplay::RestoreToggles() {
  TRegistry& Registry = *SettingsRegistry;
  Guarded([&] {
    if (!Registry.ValueExists("DisplayProcInTray")) return;
    const bool Ticked = Registry.ReadBool("DisplayProcInTray");
    DisplayProcessorUsageinIcon1->setChecked(Ticked);
    const std::lock_guard Lock(FRawData->Guard);
    SetTrayIcon(Ticked ? 2 : 0);
  });
  const std::pair<const char*, QAction*> Toggles[] = {
      {"PinToDesktop", PinToDesktop},
      {"FlashKeyboardLights", Flashkeyboardlights1},
      {"ShowDraggingHandle", ShowDraggingHandle1},
  };
  for (const auto& [Name, Item] : Toggles) {
    Guarded([&] { Item->setChecked(Registry.ValueExists(Name) && Registry.ReadBool(Name)); });
  }
  Guarded([this] { ShowNoTrayNotice(); });
}

void TDravelDisplay::ShowNoTrayNotice() {
  if (CommandLine.HideTrayIcon) return;
  TNoTrayNotice::TChecks Checks;
  Checks.AlreadyShown = [this] {
    return !SettingsRegistry || SettingsRegistry->ValueExists(NoTrayNoticeValue);
  };
  Checks.MarkShown = [this] {
    if (SettingsRegistry) Guarded([this] { SettingsRegistry->WriteBool(NoTrayNoticeValue, true); });
  };
  Checks.TrayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
  new TNoTrayNotice(*this, std::move(Checks));
}

}  // namespace dravel
