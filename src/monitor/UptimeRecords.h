#pragma once
// The longest and the average system up time, kept in the open settings key as
// "LongestUptime", "TotalUptime" (8-byte little-endian binaries) and "UptimeCount".
#include <cstdint>
#include <optional>
#include <string>

namespace dravel {

class TRegistry;

// An 8-byte figure: 0 when absent; shorter data gives the low bytes. Text, an
// integer or more than 8 bytes raise "Invalid data type for '<Name>'".
std::int64_t ReadUptimeFigure(TRegistry& Store, const std::string& Name);
void WriteUptimeFigure(TRegistry& Store, const std::string& Name, std::int64_t Seconds);

// The exit update: raises the longest record to Current if it is higher, adds
// Current to the total and counts one more run.
void SaveUptimeAtExit(TRegistry& Store, std::int64_t Current);

// The longest record, raised to Current (and written) when Current is higher.
std::int64_t LongestUptime(TRegistry& Store, std::int64_t Current);

// Total / count when both are stored (a count of 0 raises "Division by zero"),
// else Current.
std::int64_t AverageUptime(TRegistry& Store, std::int64_t Current);
// Total / count when both are stored, else empty; raises as AverageUptime does.
std::optional<std::int64_t> StoredAverageUptime(TRegistry& Store);

}  // namespace dravel
