#include "platform/Sensors.h"

#include <algorithm>
#include <array>

namespace dravel {
namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Compares texts with runs of digits taken by their value, so "Core 2" < "Core 10".
int NaturalCompare(std::string_view A, std::string_view B) {
  std::size_t I = 0, J = 0;
  while (I < A.size() && J < B.size()) {
    if (IsDigit(A[I]) && IsDigit(B[J])) {
      while (I < A.size() && A[I] == '0') ++I;
      while (J < B.size() && B[J] == '0') ++J;
      std::size_t EndA = I, EndB = J;
      while (EndA < A.size() && IsDigit(A[EndA])) ++EndA;
      while (EndB < B.size() && IsDigit(B[EndB])) ++EndB;
      if (EndA - I != EndB - J) return EndA - I < EndB - J ? -1 : 1;
      if (const int Order = A.substr(I, EndA - I).compare(B.substr(J, EndB - J))) return Order;
      I = EndA;
      J = EndB;
      continue;
    }
    const auto CharA = static_cast<unsigned char>(A[I]);
    const auto CharB = static_cast<unsigned char>(B[J]);
    if (CharA != CharB) return CharA < CharB ? -1 : 1;
    ++I;
    ++J;
  }
  if (I < A.size()) return 1;
  return J < B.size() ? -1 : 0;
}

bool IsProcessorPackage(const TSensorReading& Sensor) {
  constexpr std::array AmdChips{"k10temp", "zenpower"};
  if (Sensor.Kind != TSensorKind::Temperature) return false;
  if (Sensor.Chip == "coretemp") return Sensor.Label.starts_with("Package id");
  if (std::find(AmdChips.begin(), AmdChips.end(), Sensor.Chip) != AmdChips.end()) {
    return Sensor.Label == "Tctl" || Sensor.Label == "Tdie";
  }
  return Sensor.Chip == "cpu_thermal";
}

}  // namespace

std::string_view SensorUnit(TSensorKind Kind) {
  return Kind == TSensorKind::Fan ? "RPM"
                                  : "\xC2\xB0"
                                    "C";
}

void SortSensors(std::vector<TSensorReading>& Sensors) {
  std::stable_sort(Sensors.begin(), Sensors.end(),
                   [](const TSensorReading& A, const TSensorReading& B) {
                     const bool PackageA = IsProcessorPackage(A);
                     const bool PackageB = IsProcessorPackage(B);
                     if (PackageA != PackageB) return PackageA;
                     if (const int Chip = NaturalCompare(A.Chip, B.Chip)) return Chip < 0;
                     return NaturalCompare(A.Label, B.Label) < 0;
                   });
}

}  // namespace dravel
