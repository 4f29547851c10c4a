// Window behaviours: Always On Top, Pin To Desktop, Transparent and its alpha value,
// the dragging handle, and whether a press moves the window or a label.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "panel/FmtLabel.h"
#include "panel/ColourKeyShape.h"
#include "panel/dravel2a_menu_support.h"
#include "panel/TrayPictures.h"
#include "platform/SettingsStore.h"
#include "platform/WindowShape.h"

namespace dravel {

QColor TDravelDisplay::WindowColor() const { return palette().color(QPalette::Window); }

void TDravelDisplay::ApplyStacking() {
  platform::TStacking Stacking = platform::TStacking::Normal;
  if (AlwaysOnTop1->isChecked()) {
    Stacking = platform::TStacking::Above;
  } else if (PinToDesktop->isChecked()) {
    Stacking = platform::TStacking::BelowSticky;
  }
  platform::SetWindowStacking(winId(), Stacking);
}

void TDravelDisplay::AlwaysOnTop1Click() {
  AlwaysOnTop1->setChecked(!AlwaysOnTop1->isChecked());
  ApplyStacking();
  show();
  Guarded([this] { SettingsRegistry->WriteBool("AOT", AlwaysOnTop1->isChecked()); });
}

void TDravelDisplay::PinToDesktopClick() {
  PinToDesktop->setChecked(!PinToDesktop->isChecked());
  Guarded([this] { SettingsRegistry->WriteBool("PinToDesktop", PinToDesktop->isChecked()); });
  if (!PinToDesktop->isChecked() && !AlwaysOnTop1->isChecked()) ApplyStacking();
}

void TDravelDisplay::PinToDesktopStep() {
  // The window's look on the desktop follows every render: first the cut-out of the
  // colour key, then the layer the window manager keeps it in.
  UpdateColourKeyShape();
  if (!PinToDesktop->isChecked() || AlwaysOnTop1->isChecked()) return;
  ApplyStacking();
}

void TDravelDisplay::Transparent1Click() {
  Transparent1->setChecked(!Transparent1->isChecked());
  Guarded([this] { SettingsRegistry->WriteBool("Trans", Transparent1->isChecked()); });
  ApplyTransparency();
}

void TDravelDisplay::ApplyTransparency() {
  const bool On = Transparent1->isChecked();
  setWindowOpacity(On && FAlpha < 255 ? FAlpha / 255.0 : 1.0);
  UpdateColourKeyShape();
}

void TDravelDisplay::UpdateColourKeyShape() {
  if (!isVisible() || !windowHandle()) return;
  if (!Transparent1->isChecked()) {
    platform::ClearWindowShape(winId());
    return;
  }
  const QImage Picture = grab().toImage();
  platform::SetWindowShape(winId(), KeptRectangles(Picture, WindowColor().rgb()));
}

void TDravelDisplay::DegreeofTransparency1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    std::string Text = std::to_string(FAlpha);
    if (!Prompter().InputQuery("Alpha Transparency",
                               "Value between 0-255, with 0 invisible and 255 all visible", Text)) {
      return;
    }
    Text = TrimBlanks(Text);
    if (!IsAllDigits(Text)) return;
    const std::int32_t Value = DigitsValue(Text);
    if (Value > 255) return;
    FAlpha = static_cast<std::uint8_t>(Value);
    ApplyTransparency();
    SettingsRegistry->WriteInteger("Alpha", FAlpha);
  });
}

void TDravelDisplay::ShowDraggingHandle1Click() {
  ShowDraggingHandle1->setChecked(!ShowDraggingHandle1->isChecked());
  Guarded([this] {
    SettingsRegistry->WriteBool("ShowDraggingHandle", ShowDraggingHandle1->isChecked());
  });
  DrawDragHandle();
}

void TDravelDisplay::DrawDragHandle() {
  // In device pixels, so that the handle is crisp at any scale factor.
  const qreal Ratio = devicePixelRatioF();
  QPixmap Handle(DragImg->size() * Ratio);
  Handle.setDevicePixelRatio(Ratio);
  if (ShowDraggingHandle1->isChecked()) {
    QIcon Icon = QApplication::windowIcon();
    if (Icon.isNull()) Icon = SmileyIcon(true);
    // The icon's own picture nearest the handle's size, stretched over the whole handle.
    const QPixmap Own = Icon.pixmap(DragImg->size(), Ratio);
    Handle.fill(WindowColor());
    QPainter(&Handle).drawPixmap(QRect(QPoint(0, 0), DragImg->size()), Own);
  } else {
    Handle.fill(WindowColor());
  }
  DragImg->setPixmap(Handle);
  UpdateColourKeyShape();
}

void TDravelDisplay::LockPosition1Click() {
  LockPosition1->setChecked(!LockPosition1->isChecked());
}

void TDravelDisplay::ToggleLockForm() { LockPosition1Click(); }

bool TDravelDisplay::PressMovesWindow(const QPoint& ClientPos) const {
  if (LockPosition1->isChecked()) return false;
  // The dragging handle is a picture, not a label: it moves the window.
  const bool OverLabel = qobject_cast<const TFmtLabel*>(childAt(ClientPos)) != nullptr;
  return !OverLabel || Transparent1->isChecked();
}

}  // namespace dravel
