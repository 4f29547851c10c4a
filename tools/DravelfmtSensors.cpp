#include "DravelfmtSensors.h"

#include <charconv>
#include <ostream>

#include "formatter/Charset.h"
#include "platform/CodePage.h"
#include "platform/Sensors.h"

namespace dravel {
namespace {

// Figures for scripts: a "." whatever the locale.
std::string ValueText(const TSensorReading& Sensor) {
  if (!Sensor.Value) return {};
  char Text[32];
  const int Decimals = Sensor.Kind == TSensorKind::Temperature ? 1 : 0;
  const auto End = std::to_chars(Text, Text + sizeof Text, *Sensor.Value, std::chars_format::fixed,
                                 Decimals).ptr;
  return std::string(Text, End);
}

}  // namespace

void WriteSensorList(std::ostream& Out, ISensors& Sensors, const std::string& Charset) {
  for (const TSensorReading& Sensor : Sensors.Read()) {
    const std::string Line = Utf8ToCp1252(Sensor.Name() + "\t" + ValueText(Sensor) + "\t" +
                                          std::string(SensorUnit(Sensor.Kind)));
    Out << ConvertCharset(Line, "CP1252", Charset.c_str()) << '\n';
  }
  Out.flush();
}

}  // namespace dravel
