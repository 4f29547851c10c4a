// The window without its menu: what the set-up, the render and the exit sequence
// need from the menu commands while those are not built in. The menu's own
// dravel2a_menu*.cpp files replace this file (remove it from CMakeLists.txt then).
#include "panel/dravel2a.h"
#include "panel/uptime_records.h"
#include "platform/SettingsStore.h"

#include <QLabel>
#include <QMenu>

namespace dravel {

void TDravelDisplay::CreateMenu() {
  PopupMenu1->addAction(QStringLiteral("E&xit"), this, &TDravelDisplay::Exit1Click);
}
void TDravelDisplay::ToggleLockForm() {}
void TDravelDisplay::AddTrayIcon() {}
void TDravelDisplay::DeleteTrayIcon() {}
void TDravelDisplay::RestoreTrayIcon() {}
void TDravelDisplay::RestoreLook() {}
void TDravelDisplay::TickAlignItem() {}
void TDravelDisplay::RestoreToggles() {}
void TDravelDisplay::DrawDragHandle() {}
void TDravelDisplay::RenderTrayIcon() {}
void TDravelDisplay::PinToDesktopStep() {}
void TDravelDisplay::ScrollLockStep() {}
bool TDravelDisplay::WipeOnExit() const { return false; }
void TDravelDisplay::SaveUptimeRecords() {
  SaveUptimeAtExit(*SettingsRegistry, CurrentUptime());
}
bool TDravelDisplay::PressMovesWindow(const QPoint& ClientPos) const {
  const QWidget* Under = childAt(ClientPos);
  return Under == nullptr || Under == static_cast<const QWidget*>(DragImg);
}

}  // namespace dravel
