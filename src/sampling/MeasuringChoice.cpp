#include "sampling/MeasuringChoice.h"

#include "platform/SettingsStore.h"
#include "sampling/CommaText.h"

namespace dravel {
namespace {

// The six sensor choices in the order of SensorValueNames.
template <typename TChoice>
auto SensorEntries(TChoice& Choice) {
  return std::array{&Choice.Temps[0], &Choice.Temps[1], &Choice.Temps[2],
                    &Choice.Fans[0],  &Choice.Fans[1],  &Choice.Fans[2]};
}

}  // namespace

std::array<std::string, 6> SensorValueNames() {
  return {"Temp1", "Temp2", "Temp3", "Fan1", "Fan2", "Fan3"};
}

TMeasuringChoice ReadMeasuringChoice(TRegistry& Registry) {
  TMeasuringChoice Choice;
  Choice.Adapters = ParseCommaText(Registry.ReadString("Adapters"));
  const auto Names = SensorValueNames();
  const auto Entries = SensorEntries(Choice.Sensors);
  for (std::size_t I = 0; I < Names.size(); ++I) {
    *Entries[I] = TrimBlanks(Registry.ReadString(Names[I]));
  }
  return Choice;
}

void WriteSensorChoice(TRegistry& Registry, const TSensorChoice& Choice) {
  const auto Names = SensorValueNames();
  const auto Entries = SensorEntries(Choice);
  for (std::size_t I = 0; I < Names.size(); ++I) {
    if (Entries[I]->empty()) {
      Registry.DeleteValue(Names[I]);
    } else {
      Registry.WriteString(Names[I], *Entries[I]);
    }
  }
}

}  // namespace dravel
