#pragma once
// The menu toggle "Start at &Login": ticked while the autostart entry starts the panel at
// login; a click writes the entry or removes it. The tick is read from the file each time
// the menu opens, so an entry changed elsewhere shows as it is.
#include <QObject>
#include <exception>
#include <functional>

#include "panel/AutostartEntry.h"

class QAction;
class QMenu;

namespace dravel {

class TStartAtLoginItem : public QObject {
  Q_OBJECT

 public:
  // Appends the item to Menu. OnError shows a failure to write or remove the entry.
  TStartAtLoginItem(QMenu& Menu, std::function<void(const std::exception&)> OnError,
                    TAutostartEntry Entry = TAutostartEntry());

  QAction* Item() const { return FItem; }
  const TAutostartEntry& Entry() const { return FEntry; }
  // The item's handler: the entry written when there was none, else removed.
  void StartatLogin1Click();
  // The tick follows the file.
  void Refresh();

 private:
  QAction* FItem = nullptr;
  TAutostartEntry FEntry;
  std::function<void(const std::exception&)> FOnError;
};

}  // namespace dravel
