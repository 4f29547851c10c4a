#include "panel/SensorsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/CodePage.h"

namespace dravel {
namespace {

constexpr int RefreshMs = 1000;

// Sensor names as the settings values hold them (code page 1252), shown in Unicode.
QString Shown(const std::string& Cp1252) { return QString::fromStdString(Cp1252ToUtf8(Cp1252)); }

QString ValueText(const TSensorReading& Sensor) {
  if (!Sensor.Value) return QStringLiteral("(no reading)");
  return QString::number(*Sensor.Value, 'f', Sensor.Kind == TSensorKind::Temperature ? 1 : 0);
}

}  // namespace

TSensorsDialog::TSensorsDialog(QWidget* Owner, TSensorChoice Current,
                               std::unique_ptr<ISensors> Sensors)
    : QDialog(Owner), FSensors(std::move(Sensors)) {
  setWindowTitle(QStringLiteral("Sensors"));
  auto* Layout = new QVBoxLayout(this);

  lvSensors = new QTreeWidget(this);
  lvSensors->setColumnCount(3);
  lvSensors->setHeaderLabels(
      {QStringLiteral("Sensor"), QStringLiteral("Value"), QStringLiteral("Unit")});
  lvSensors->setRootIsDecorated(false);
  lvSensors->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  Layout->addWidget(lvSensors);
  lblNone = new QLabel(QStringLiteral("This machine shows no sensors."), this);
  Layout->addWidget(lblNone);

  RefreshValues();
  auto* Slots = new QFormLayout;
  for (std::size_t N = 0; N < cbTemps.size(); ++N) {
    cbTemps[N] = new QComboBox(this);
    FillChoice(cbTemps[N], TSensorKind::Temperature, Current.Temps[N]);
    Slots->addRow(QStringLiteral("Temperature %1").arg(N + 1), cbTemps[N]);
  }
  for (std::size_t N = 0; N < cbFans.size(); ++N) {
    cbFans[N] = new QComboBox(this);
    FillChoice(cbFans[N], TSensorKind::Fan, Current.Fans[N]);
    Slots->addRow(QStringLiteral("Fan %1").arg(N + 1), cbFans[N]);
  }
  Layout->addLayout(Slots);
  Layout->addWidget(new QLabel(
      QStringLiteral("A choice is saved at once and shows from the next refresh."), this));
  for (QComboBox* Box : {cbTemps[0], cbTemps[1], cbTemps[2], cbFans[0], cbFans[1], cbFans[2]}) {
    connect(Box, &QComboBox::currentIndexChanged, this, [this] {
      if (OnChoice) OnChoice(Choice());
    });
  }

  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  btnClose = Buttons->button(QDialogButtonBox::Close);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Layout->addWidget(Buttons);

  tmRefresh = new QTimer(this);
  tmRefresh->setInterval(RefreshMs);
  connect(tmRefresh, &QTimer::timeout, this, &TSensorsDialog::RefreshValues);
  tmRefresh->start();
}

void TSensorsDialog::RefreshValues() {
  FReadings = FSensors->Read();
  lvSensors->clear();
  for (const TSensorReading& Sensor : FReadings) {
    auto* Row = new QTreeWidgetItem(lvSensors);
    Row->setText(0, Shown(Utf8ToCp1252(Sensor.Name())));
    Row->setText(1, ValueText(Sensor));
    Row->setText(2, QString::fromUtf8(SensorUnit(Sensor.Kind).data(),
                                      static_cast<int>(SensorUnit(Sensor.Kind).size())));
    Row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  }
  lblNone->setVisible(FReadings.empty());
}

void TSensorsDialog::FillChoice(QComboBox* Box, TSensorKind Kind, const std::string& Chosen) {
  Box->addItem(QStringLiteral("(default order)"), QByteArray());
  for (const TSensorReading& Sensor : FReadings) {
    if (Sensor.Kind != Kind) continue;
    const std::string Name = Utf8ToCp1252(Sensor.Name());
    Box->addItem(Shown(Name), QByteArray::fromStdString(Name));
  }
  if (Chosen.empty()) return;
  int At = Box->findData(QByteArray::fromStdString(Chosen));
  if (At < 0) {
    Box->addItem(Shown(Chosen) + QStringLiteral(" (not present)"),
                 QByteArray::fromStdString(Chosen));
    At = Box->count() - 1;
  }
  Box->setCurrentIndex(At);
}

TSensorChoice TSensorsDialog::Choice() const {
  TSensorChoice Choice;
  for (std::size_t N = 0; N < cbTemps.size(); ++N) {
    Choice.Temps[N] = cbTemps[N]->currentData().toByteArray().toStdString();
    Choice.Fans[N] = cbFans[N]->currentData().toByteArray().toStdString();
  }
  return Choice;
}

}  // namespace dravel
