#pragma once
// The kernel's hardware-monitor sensors (/sys/class/hwmon).

#include <cstdint>
#include <string>
#include <vector>

namespace dravel {

struct THwmonReadings {
  std::vector<std::int32_t> Temps;  // whole degrees Celsius
  std::vector<std::int32_t> Fans;   // revolutions per minute
};

// The first Most temperatures and fans, taking the devices hwmon0, hwmon1, ... in number
// order and each device's sensors in number order.
THwmonReadings ReadHwmonSensors(const std::string& Root, std::size_t Most);

}  // namespace dravel
