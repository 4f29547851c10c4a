#pragma once
// dravelfmt --list-sensors: every sensor of the machine, as the settings values name it.

#include <iosfwd>
#include <string>

namespace dravel {

class ISensors;

// One line per sensor in the default order: "chip/label", a tab, the value (one decimal
// for temperatures, whole revolutions for fans, empty while it cannot be read), a tab and
// the unit. Names are given as the settings values match them (code page 1252, "?" for a
// character it lacks), written in Charset. Nothing at all where there is no sensor.
void WriteSensorList(std::ostream& Out, ISensors& Sensors, const std::string& Charset);

}  // namespace dravel
