#include "DravelfmtSensors.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/Sensors.h"

namespace dravel {
namespace {

class TListedSensors final : public ISensors {
 public:
  explicit TListedSensors(std::vector<TSensorReading> Sensors) : FSensors(std::move(Sensors)) {}
  std::vector<TSensorReading> Read() override { return FSensors; }

 private:
  std::vector<TSensorReading> FSensors;
};

std::string List(std::vector<TSensorReading> Sensors, const char* Charset = "UTF-8") {
  TListedSensors Source(std::move(Sensors));
  std::ostringstream Out;
  WriteSensorList(Out, Source, Charset);
  return Out.str();
}

TEST(DravelfmtSensorsTest, OneLinePerSensorWithValueAndUnit) {
  EXPECT_EQ(List({{"coretemp", "Package id 0", TSensorKind::Temperature, 51.25},
                  {"nvme", "Composite", TSensorKind::Temperature, -3.0},
                  {"thinkpad", "fan1", TSensorKind::Fan, 2900.4}}),
            "coretemp/Package id 0\t51.2\t\xC2\xB0" "C\n"
            "nvme/Composite\t-3.0\t\xC2\xB0" "C\n"
            "thinkpad/fan1\t2900\tRPM\n");
}

TEST(DravelfmtSensorsTest, UnreadableValueIsEmptyAndNamesAreAsTheSettingsMatchThem) {
  EXPECT_EQ(List({{"amdgpu", "edge", TSensorKind::Temperature, std::nullopt},
                  {"it87", "Temp\xC3\xA9rature \xE2\x86\x92", TSensorKind::Temperature, 30}}),
            "amdgpu/edge\t\t\xC2\xB0" "C\nit87/Temp\xC3\xA9rature ?\t30.0\t\xC2\xB0" "C\n");
  EXPECT_EQ(List({{"k10temp", "Tctl", TSensorKind::Temperature, 40}}, "ISO-8859-1"),
            "k10temp/Tctl\t40.0\t\xB0" "C\n");
}

TEST(DravelfmtSensorsTest, NoSensorsPrintNothing) { EXPECT_EQ(List({}), ""); }

}  // namespace
}  // namespace dravel
