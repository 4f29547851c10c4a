#include "panel/SensorsDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "PanelTestSupport.h"

namespace dravel {
namespace {

// Sensors the test changes while the dialog is open.
struct TMachine {
  std::vector<TSensorReading> Sensors{
      {"coretemp", "Package id 0", TSensorKind::Temperature, 51.0},
      {"nvme", "Composite", TSensorKind::Temperature, std::nullopt},
      {"it87", "Temp\xC3\xA9rature", TSensorKind::Temperature, 30.5},
      {"thinkpad", "fan1", TSensorKind::Fan, 2900.0}};
};

class TMachineSensors final : public ISensors {
 public:
  explicit TMachineSensors(std::shared_ptr<TMachine> Machine) : FMachine(std::move(Machine)) {}
  std::vector<TSensorReading> Read() override { return FMachine->Sensors; }

 private:
  std::shared_ptr<TMachine> FMachine;
};

class SensorsDialogTest : public testing::PanelTest {
 protected:
  std::unique_ptr<TSensorsDialog> Open(const TSensorChoice& Current = {}) {
    return std::make_unique<TSensorsDialog>(nullptr, Current,
                                            std::make_unique<TMachineSensors>(Machine));
  }
  static QStringList Items(const QComboBox* Box) {
    QStringList Out;
    for (int I = 0; I < Box->count(); ++I) Out << Box->itemText(I);
    return Out;
  }
  static QStringList Row(const QTreeWidget* List, int Index) {
    const QTreeWidgetItem* Item = List->topLevelItem(Index);
    return {Item->text(0), Item->text(1), Item->text(2)};
  }

  std::shared_ptr<TMachine> Machine = std::make_shared<TMachine>();
};

TEST_F(SensorsDialogTest, ListsEverySensorWithItsCurrentValueAndUnit) {
  const auto Dialog = Open();
  EXPECT_EQ(Dialog->windowTitle(), "Sensors");
  ASSERT_EQ(Dialog->lvSensors->topLevelItemCount(), 4);
  EXPECT_EQ(Row(Dialog->lvSensors, 0), (QStringList{"coretemp/Package id 0", "51.0", "\u00B0C"}));
  EXPECT_EQ(Row(Dialog->lvSensors, 1), (QStringList{"nvme/Composite", "(no reading)", "\u00B0C"}));
  EXPECT_EQ(Row(Dialog->lvSensors, 2).front(), QString::fromUtf8("it87/Temp\xC3\xA9rature"));
  EXPECT_EQ(Row(Dialog->lvSensors, 3), (QStringList{"thinkpad/fan1", "2900", "RPM"}));
  EXPECT_TRUE(Dialog->lblNone->isHidden());
}

TEST_F(SensorsDialogTest, ValuesAreReadAgainEverySecond) {
  const auto Dialog = Open();
  EXPECT_TRUE(Dialog->tmRefresh->isActive());
  EXPECT_EQ(Dialog->tmRefresh->interval(), 1000);
  Machine->Sensors[0].Value = 64.0;
  Machine->Sensors.pop_back();
  Dialog->RefreshValues();
  ASSERT_EQ(Dialog->lvSensors->topLevelItemCount(), 3);
  EXPECT_EQ(Row(Dialog->lvSensors, 0)[1], "64.0");
}

TEST_F(SensorsDialogTest, BoxesOfferTheSensorsOfTheirKindWithTheCurrentChoice) {
  TSensorChoice Current;
  Current.Temps[1] = "nvme/Composite";
  Current.Temps[2] = "acpitz/temp1";  // not on this machine now
  const auto Dialog = Open(Current);
  EXPECT_EQ(Items(Dialog->cbTemps[0]),
            (QStringList{"(default order)", "coretemp/Package id 0", "nvme/Composite",
                         QString::fromUtf8("it87/Temp\xC3\xA9rature")}));
  EXPECT_EQ(Items(Dialog->cbFans[0]), (QStringList{"(default order)", "thinkpad/fan1"}));
  EXPECT_EQ(Dialog->cbTemps[0]->currentIndex(), 0);
  EXPECT_EQ(Dialog->cbTemps[1]->currentText(), "nvme/Composite");
  EXPECT_EQ(Dialog->cbTemps[2]->currentText(), "acpitz/temp1 (not present)");
  const TSensorChoice Shown = Dialog->Choice();
  EXPECT_EQ(Shown.Temps, Current.Temps);
  EXPECT_EQ(Shown.Fans, Current.Fans);
}

TEST_F(SensorsDialogTest, EveryChangeHandsOnTheWholeChoiceAtOnce) {
  const auto Dialog = Open();
  std::vector<TSensorChoice> Handed;
  Dialog->OnChoice = [&](const TSensorChoice& Choice) { Handed.push_back(Choice); };
  Dialog->cbTemps[0]->setCurrentIndex(3);
  Dialog->cbFans[2]->setCurrentIndex(1);
  ASSERT_EQ(Handed.size(), 2u);
  EXPECT_EQ(Handed[0].Temps[0], "it87/Temp\xE9rature");  // code page 1252, as stored
  EXPECT_EQ(Handed[1].Temps[0], "it87/Temp\xE9rature");
  EXPECT_EQ(Handed[1].Fans[2], "thinkpad/fan1");
  Dialog->cbTemps[0]->setCurrentIndex(0);
  EXPECT_EQ(Handed.back().Temps[0], "");
}

TEST_F(SensorsDialogTest, MachineWithoutSensorsSaysSo) {
  Machine->Sensors.clear();
  const auto Dialog = Open();
  EXPECT_EQ(Dialog->lvSensors->topLevelItemCount(), 0);
  EXPECT_FALSE(Dialog->lblNone->isHidden());
  EXPECT_EQ(Items(Dialog->cbFans[1]), (QStringList{"(default order)"}));
}

}  // namespace
}  // namespace dravel
