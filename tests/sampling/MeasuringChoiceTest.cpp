#include "sampling/MeasuringChoice.h"

#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "platform/TempFolder.h"

namespace dravel {
namespace {

class MeasuringChoiceTest : public ::testing::Test {
 protected:
  testing::TTempFolder Folder;
  TRegistry Store{Folder.Path() / "registry.db"};
};

TEST_F(MeasuringChoiceTest, AbsentValuesChooseNothing) {
  const TMeasuringChoice Choice = ReadMeasuringChoice(Store);
  EXPECT_TRUE(Choice.Adapters.empty());
  for (const auto& Name : Choice.Sensors.Temps) EXPECT_EQ(Name, "");
  for (const auto& Name : Choice.Sensors.Fans) EXPECT_EQ(Name, "");
}

TEST_F(MeasuringChoiceTest, AdaptersAreCommaTextAndSensorsChipSlashLabel) {
  Store.WriteString("Adapters", "wlan0, ,eth0");
  Store.WriteString("Temp2", " nvme/Composite ");
  Store.WriteString("Fan1", "thinkpad/fan1");
  const TMeasuringChoice Choice = ReadMeasuringChoice(Store);
  EXPECT_EQ(Choice.Adapters, (std::vector<std::string>{"wlan0", "", "eth0"}));
  EXPECT_EQ(Choice.Sensors.Temps[1], "nvme/Composite");
  EXPECT_EQ(Choice.Sensors.Fans[0], "thinkpad/fan1");
}

TEST_F(MeasuringChoiceTest, WritingAnEmptyChoiceRemovesItsValue) {
  Store.WriteString("Temp3", "acpitz/temp1");
  TSensorChoice Choice;
  Choice.Temps[0] = "coretemp/Package id 0";
  Choice.Fans[2] = "it8792/fan3";
  WriteSensorChoice(Store, Choice);
  EXPECT_EQ(Store.ReadString("Temp1"), "coretemp/Package id 0");
  EXPECT_EQ(Store.ReadString("Fan3"), "it8792/fan3");
  EXPECT_FALSE(Store.ValueExists("Temp3"));
  EXPECT_FALSE(Store.ValueExists("Fan1"));
}

TEST_F(MeasuringChoiceTest, ValueOfTheWrongTypeIsAnError) {
  Store.WriteInteger("Fan2", 3);
  EXPECT_THROW(ReadMeasuringChoice(Store), ERegistryException);
}

}  // namespace
}  // namespace dravel
