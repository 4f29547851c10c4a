#pragma once
// The sensor blocks in shared memory: the hardware-monitor program's layout (the
// information block, and the data block with four temperatures at 0 and four fans at
// 120, in the default order), followed in the data block by a table of every sensor by
// name. Blocks are named per user, so copies of different users never meet.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Sensors.h"

namespace dravel {

namespace SensorBlock {
constexpr char InfoName[] = "$M$B$M$5$I$";
constexpr char DataName[] = "$M$B$M$5$D$";
constexpr std::size_t InfoSize = 16;
constexpr std::uint8_t InfoFansAt120 = 1;  // the first information byte: not 0
constexpr std::size_t TempsAt = 0;
constexpr std::size_t FansAt = 120;
constexpr std::size_t SlotCount = 4;
constexpr std::size_t TableAt = 256;
constexpr std::size_t TableHeaderSize = 16;
constexpr std::size_t EntrySize = 128;
constexpr std::size_t NameSize = EntrySize - 8;  // NUL-terminated, code page 1252
constexpr std::size_t MaxEntries = 120;
constexpr std::size_t DataSize = TableAt + TableHeaderSize + MaxEntries * EntrySize;
}  // namespace SensorBlock

// The block name of this user: Base followed by "." and the user id.
std::string PerUserBlockName(std::string_view Base);

// A sensor as the table holds it: the name in code page 1252, the value in whole
// degrees Celsius or revolutions per minute.
struct TPublishedSensor {
  std::string Name;
  TSensorKind Kind = TSensorKind::Temperature;
  std::optional<std::int32_t> Value;
};

// Writes the sensors (in the default order) into a data block of DataSize bytes: the
// first four of each kind into the hardware-monitor slots, all of them that fit into the
// table. A reader never sees a half-written table: each write is bracketed by a change
// count that is odd while it lasts.
void WriteSensorBlock(std::span<std::uint8_t> Block, const std::vector<TSensorReading>& Sensors);

// Whether the data block carries a table after the hardware-monitor slots.
bool HoldsSensorTable(std::span<const std::uint8_t> Block);

// The table of a data block; none when the block holds no table or it was being written
// at every try.
std::optional<std::vector<TPublishedSensor>> ReadSensorTable(std::span<const std::uint8_t> Block);

}  // namespace dravel
