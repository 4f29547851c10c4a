#include "monitor/UptimeRecords.h"

#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

#include "platform/SettingsStore.h"

namespace dravel {
namespace {

const std::string Longest = "LongestUptime";
const std::string Total = "TotalUptime";
const std::string Count = "UptimeCount";

}  // namespace

std::int64_t ReadUptimeFigure(TRegistry& Store, const std::string& Name) {
  if (!Store.ValueExists(Name)) return 0;
  const std::vector<std::uint8_t> bytes = Store.ReadBinaryData(Name);
  if (bytes.size() > 8) throw ERegistryException("Invalid data type for '" + Name + "'");
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return static_cast<std::int64_t>(value);
}

void WriteUptimeFigure(TRegistry& Store, const std::string& Name, std::int64_t Seconds) {
  std::array<std::uint8_t, 8> bytes{};
  const auto value = static_cast<std::uint64_t>(Seconds);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  Store.WriteBinaryData(Name, bytes);
}

void SaveUptimeAtExit(TRegistry& Store, std::int64_t Current) {
  LongestUptime(Store, Current);
  std::int64_t total = 0;
  std::int32_t count = 0;
  if (Store.ValueExists(Total) && Store.ValueExists(Count)) {
    total = ReadUptimeFigure(Store, Total);
    count = Store.ReadInteger(Count);
  }
  // Wrapping sums, as the stored figures come from outside and may be anything.
  total = static_cast<std::int64_t>(static_cast<std::uint64_t>(total) +
                                    static_cast<std::uint64_t>(Current));
  count = static_cast<std::int32_t>(static_cast<std::uint32_t>(count) + 1U);
  WriteUptimeFigure(Store, Total, total);
  Store.WriteInteger(Count, count);
}

std::int64_t LongestUptime(TRegistry& Store, std::int64_t Current) {
  std::int64_t stored = ReadUptimeFigure(Store, Longest);
  if (stored < Current) {
    stored = Current;
    WriteUptimeFigure(Store, Longest, stored);
  }
  return stored;
}

std::optional<std::int64_t> StoredAverageUptime(TRegistry& Store) {
  if (!Store.ValueExists(Total) || !Store.ValueExists(Count)) return std::nullopt;
  const std::int64_t total = ReadUptimeFigure(Store, Total);
  const std::int32_t count = Store.ReadInteger(Count);
  if (count == 0) throw std::runtime_error("Division by zero");
  // The one quotient that does not fit: the most negative total over -1.
  if (count == -1 && total == std::numeric_limits<std::int64_t>::min()) return total;
  return total / count;
}

std::int64_t AverageUptime(TRegistry& Store, std::int64_t Current) {
  return StoredAverageUptime(Store).value_or(Current);
}

}  // namespace dravel
