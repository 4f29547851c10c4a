#include <gtest/gtest.h>

#include "FakeTree.h"
#include "platform/Sensors.h"

namespace dravel {
namespace {

using testing::TFakeTree;

// A fake /sys/class/hwmon; chips are given with the hwmon number the kernel chose.
class HwmonSensorsTest : public ::testing::Test {
 protected:
  void Chip(unsigned Number, const std::string& Name, const std::string& Device = {}) {
    const std::string Folder = Hwmon(Number);
    Tree.Write(Folder + "/name", Name + "\n");
    if (!Device.empty()) {
      Tree.Folder("sys/devices/" + Device);
      Tree.Link(Folder + "/device", "../../../devices/" + Device);
    }
  }
  void Sensor(unsigned Number, const std::string& File, const std::string& Text) {
    Tree.Write(Hwmon(Number) + "/" + File, Text);
  }
  static std::string Hwmon(unsigned Number) {
    return "sys/class/hwmon/hwmon" + std::to_string(Number);
  }
  std::vector<TSensorReading> Read() { return MakeSensors(Tree.Root())->Read(); }
  std::vector<std::string> Names() {
    std::vector<std::string> Out;
    for (const auto& Sensor : Read()) Out.push_back(Sensor.Name());
    return Out;
  }

  TFakeTree Tree;
};

TEST_F(HwmonSensorsTest, NoHwmonFolderGivesNoSensors) { EXPECT_TRUE(Read().empty()); }

TEST_F(HwmonSensorsTest, SensorsAreNamedByChipAndLabelOrTheirAttribute) {
  Chip(3, "k10temp");
  Sensor(3, "temp1_input", "45500\n");
  Sensor(3, "temp1_label", "Tctl\n");
  Chip(0, "thinkpad");
  Sensor(0, "fan1_input", "2100\n");
  const auto Sensors = Read();
  ASSERT_EQ(Sensors.size(), 2u);
  EXPECT_EQ(Sensors[0].Name(), "k10temp/Tctl");
  EXPECT_EQ(Sensors[0].Kind, TSensorKind::Temperature);
  EXPECT_DOUBLE_EQ(*Sensors[0].Value, 45.5);
  EXPECT_EQ(Sensors[1].Name(), "thinkpad/fan1");
  EXPECT_EQ(Sensors[1].Kind, TSensorKind::Fan);
  EXPECT_DOUBLE_EQ(*Sensors[1].Value, 2100.0);
  EXPECT_EQ(SensorUnit(Sensors[0].Kind),
            "\xC2\xB0"
            "C");
  EXPECT_EQ(SensorUnit(Sensors[1].Kind), "RPM");
}

// The same machine after two boots that numbered its chips differently.
TEST_F(HwmonSensorsTest, DefaultOrderIsPackagesFirstThenChipAndLabelWhateverTheNumbers) {
  const std::vector<std::string> Expected{
      "coretemp/Package id 0", "acpitz/temp1",   "coretemp/Core 0", "coretemp/Core 2",
      "coretemp/Core 10",      "nvme/Composite", "thinkpad/fan1",   "thinkpad/fan2"};
  for (const auto& Numbers : {std::vector<unsigned>{0, 1, 2, 3}, {7, 2, 5, 1}}) {
    Tree.Remove("sys");
    Chip(Numbers[0], "nvme");
    Sensor(Numbers[0], "temp1_input", "38850");
    Sensor(Numbers[0], "temp1_label", "Composite");
    Chip(Numbers[1], "coretemp");
    for (const auto& [File, Label] : {std::pair{"temp1", "Package id 0"},
                                      {"temp2", "Core 0"},
                                      {"temp3", "Core 10"},
                                      {"temp4", "Core 2"}}) {
      Sensor(Numbers[1], std::string(File) + "_input", "50000");
      Sensor(Numbers[1], std::string(File) + "_label", Label);
    }
    Chip(Numbers[2], "acpitz");
    Sensor(Numbers[2], "temp1_input", "27800");
    Chip(Numbers[3], "thinkpad");
    Sensor(Numbers[3], "fan2_input", "0");
    Sensor(Numbers[3], "fan1_input", "2900");
    EXPECT_EQ(Names(), Expected);
  }
}

TEST_F(HwmonSensorsTest, TwoChipsOfOneNameAreToldApartByWhereTheirDeviceSits) {
  for (const bool Swapped : {false, true}) {
    Tree.Remove("sys");
    Chip(Swapped ? 1 : 0, "nvme", "pci0000:00/0000:00:1d.0/nvme0");
    Sensor(Swapped ? 1 : 0, "temp1_input", "30000");
    Sensor(Swapped ? 1 : 0, "temp1_label", "Composite");
    Chip(Swapped ? 0 : 1, "nvme", "pci0000:00/0000:00:1d.4/nvme1");
    Sensor(Swapped ? 0 : 1, "temp1_input", "40000");
    Sensor(Swapped ? 0 : 1, "temp1_label", "Composite");
    const auto Sensors = Read();
    ASSERT_EQ(Sensors.size(), 2u);
    EXPECT_EQ(Sensors[0].Name(), "nvme/Composite");
    EXPECT_DOUBLE_EQ(*Sensors[0].Value, 30.0);
    EXPECT_EQ(Sensors[1].Name(), "nvme#2/Composite");
    EXPECT_DOUBLE_EQ(*Sensors[1].Value, 40.0);
  }
}

TEST_F(HwmonSensorsTest, UnreadableValueKeepsItsPlaceWithoutAValue) {
  Chip(0, "amdgpu");
  Sensor(0, "temp1_input", "");  // the card sleeps
  Sensor(0, "temp1_label", "edge");
  Sensor(0, "temp2_input", "n/a\n");
  Sensor(0, "temp2_label", "junction");
  Sensor(0, "temp3_input", "-5600\n");
  Sensor(0, "temp3_label", "mem");
  const auto Sensors = Read();
  ASSERT_EQ(Sensors.size(), 3u);
  EXPECT_EQ(Sensors[0].Name(), "amdgpu/edge");
  EXPECT_FALSE(Sensors[0].Value);
  EXPECT_FALSE(Sensors[1].Value);
  EXPECT_DOUBLE_EQ(*Sensors[2].Value, -5.6);
}

TEST_F(HwmonSensorsTest, LabelGivenTwiceAndChipWithoutNameStayDistinct) {
  Chip(0, "it8792");
  Sensor(0, "temp1_input", "30000");
  Sensor(0, "temp1_label", "CPU");
  Sensor(0, "temp2_input", "31000");
  Sensor(0, "temp2_label", "CPU");
  Sensor(4, "fan1_input", "700");
  EXPECT_EQ(Names(), (std::vector<std::string>{"hwmon4/fan1", "it8792/CPU", "it8792/temp2"}));
}

}  // namespace
}  // namespace dravel
