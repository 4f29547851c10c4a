#include "panel/StartAtLoginItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <cstdlib>

namespace dravel {

TStartAtLoginItem::TStartAtLoginItem(QMenu& Menu,
                                     std::function<void(const std::exception&)> OnError,
                                     TAutostartEntry Entry)
    : QObject(&Menu), FEntry(std::move(Entry)), FOnError(std::move(OnError)) {
  FItem = Menu.addAction(QStringLiteral("Start at &Login"));
  FItem->setCheckable(true);
  connect(FItem, &QAction::triggered, this, &TStartAtLoginItem::StartatLogin1Click);
  connect(&Menu, &QMenu::aboutToShow, this, &TStartAtLoginItem::Refresh);
  Refresh();
}

void TStartAtLoginItem::Refresh() { FItem->setChecked(FEntry.Enabled()); }

void TStartAtLoginItem::StartatLogin1Click() {
  try {
    if (FEntry.Enabled()) {
      FEntry.Disable();
    } else {
      const char* SearchPath = std::getenv("PATH");
      FEntry.Enable(AutostartProgram(QCoreApplication::applicationFilePath().toStdString(),
                                     SearchPath ? SearchPath : ""));
    }
  } catch (const std::exception& Error) {
    if (FOnError) FOnError(Error);
  }
  Refresh();
}

}  // namespace dravel
