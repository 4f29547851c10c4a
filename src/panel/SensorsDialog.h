#pragma once
// TSensorsDialog: the machine's sensors with their current values, and the choice of the
// sensors that Temperature 1-3 and Fan 1-3 show. Every change of a choice is handed on
// at once (the window writes it to the settings and to the sensor reader, so the next
// pass shows it); "(default order)" leaves a slot to the default order.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "platform/Sensors.h"
#include "sampling/MeasuringChoice.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace dravel {

class TSensorsDialog : public QDialog {
  Q_OBJECT

 public:
  TSensorsDialog(QWidget* Owner, TSensorChoice Current,
                 std::unique_ptr<ISensors> Sensors = MakeSensors());

  // Reads the sensors again into the list; runs every second while the dialog is open.
  void RefreshValues();
  // The choice the six boxes show.
  TSensorChoice Choice() const;

  // Run with the whole choice whenever one box changes.
  std::function<void(const TSensorChoice&)> OnChoice;

  QTreeWidget* lvSensors = nullptr;  // sensor, value, unit
  QLabel* lblNone = nullptr;         // shown when the machine has no sensor
  std::array<QComboBox*, 3> cbTemps{};
  std::array<QComboBox*, 3> cbFans{};
  QPushButton* btnClose = nullptr;
  QTimer* tmRefresh = nullptr;

 private:
  // Fills a box with the sensors of one kind, the current choice selected (listed as
  // not present when the machine lacks it).
  void FillChoice(QComboBox* Box, TSensorKind Kind, const std::string& Chosen);

  const std::unique_ptr<ISensors> FSensors;
  std::vector<TSensorReading> FReadings;
};

}  // namespace dravel
