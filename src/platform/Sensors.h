#pragma once
// The machine's hardware-monitor sensors, each named "chip/label" (for example
// "k10temp/Tctl", "nvme/Composite", "thinkpad/fan1"), a name that stays the same from
// boot to boot.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

enum class TSensorKind : unsigned char { Temperature = 1, Fan = 2 };

struct TSensorReading {
  std::string Chip;   // as the system gives it (UTF-8)
  std::string Label;  // as the system gives it (UTF-8)
  TSensorKind Kind = TSensorKind::Temperature;
  // Degrees Celsius or revolutions per minute; none while the sensor cannot be read (a
  // sleeping disk or graphics card), which keeps its place in the order.
  std::optional<double> Value;

  std::string Name() const { return Chip + "/" + Label; }
};

// "°C" (UTF-8) or "RPM".
std::string_view SensorUnit(TSensorKind Kind);

// The default order: processor package sensors first (coretemp "Package id N", the
// "Tctl" and "Tdie" of AMD processors, cpu_thermal), then every other sensor, each part
// sorted by chip and label with numbers compared by value ("fan2" before "fan10").
void SortSensors(std::vector<TSensorReading>& Sensors);

class ISensors {
 public:
  virtual ~ISensors() = default;
  // Every sensor, in the default order.
  virtual std::vector<TSensorReading> Read() = 0;
};

// The kernel's sensors under Root + "/sys/class/hwmon"; Root is empty for this machine.
std::unique_ptr<ISensors> MakeSensors(const std::string& Root = {});

}  // namespace dravel
