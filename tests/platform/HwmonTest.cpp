#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/Hwmon.h"

namespace dravel {
namespace {

namespace fs = std::filesystem;

class HwmonTest : public ::testing::Test {
 protected:
  HwmonTest() : Root(fs::temp_directory_path() / ("dravel-hwmon-" + std::to_string(::getpid()))) {
    fs::remove_all(Root);
  }
  ~HwmonTest() override { fs::remove_all(Root); }

  void Sensor(const std::string& Device, const std::string& File, const std::string& Text) {
    fs::create_directories(Root / Device);
    std::ofstream(Root / Device / File) << Text;
  }

  fs::path Root;
};

TEST_F(HwmonTest, NoDevicesGiveNoReadings) {
  const auto Readings = ReadHwmonSensors(Root.string(), 3);
  EXPECT_TRUE(Readings.Temps.empty());
  EXPECT_TRUE(Readings.Fans.empty());
}

TEST_F(HwmonTest, TemperaturesInWholeDegreesAndFansInDeviceAndSensorOrder) {
  Sensor("hwmon10", "temp1_input", "99000\n");
  Sensor("hwmon2", "temp2_input", "45600\n");
  Sensor("hwmon2", "temp10_input", "30000\n");
  Sensor("hwmon2", "temp1_input", "41499\n");
  Sensor("hwmon2", "temp1_label", "Core 0\n");
  Sensor("hwmon2", "fan1_input", "1200\n");
  Sensor("hwmon0", "fan3_input", "900\n");
  Sensor("hwmon0", "temp1_input", "-5600\n");
  const auto Readings = ReadHwmonSensors(Root.string(), 3);
  EXPECT_EQ(Readings.Temps, (std::vector<std::int32_t>{-6, 41, 46}));
  EXPECT_EQ(Readings.Fans, (std::vector<std::int32_t>{900, 1200}));
}

TEST_F(HwmonTest, UnreadableValuesArePassedOver) {
  Sensor("hwmon0", "temp1_input", "n/a\n");
  Sensor("hwmon0", "temp2_input", "");
  Sensor("hwmon0", "temp3_input", "52000");
  EXPECT_EQ(ReadHwmonSensors(Root.string(), 3).Temps, (std::vector<std::int32_t>{52}));
}

}  // namespace
}  // namespace dravel
