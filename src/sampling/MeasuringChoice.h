#pragma once
// The user's choice of what fills the numbered slots: network adapters 1-4 and
// temperatures and fans 1-3, as the settings values "Adapters" (comma text of interface
// names), "Temp1".."Temp3" and "Fan1".."Fan3" (sensor names "chip/label") hold it. An
// absent or empty value leaves its slots to the default order.

#include <array>
#include <string>
#include <vector>

namespace dravel {

class TRegistry;

struct TSensorChoice {
  std::array<std::string, 3> Temps;  // code page 1252; empty: the default order
  std::array<std::string, 3> Fans;
};

struct TMeasuringChoice {
  std::vector<std::string> Adapters;  // code page 1252
  TSensorChoice Sensors;
};

// The names of the sensor settings values: "Temp1".."Temp3", then "Fan1".."Fan3".
std::array<std::string, 6> SensorValueNames();

// From the open key of the store. A value of the wrong type raises ERegistryException.
TMeasuringChoice ReadMeasuringChoice(TRegistry& Registry);
// Writes the six sensor values; an empty choice deletes its value.
void WriteSensorChoice(TRegistry& Registry, const TSensorChoice& Choice);

}  // namespace dravel
