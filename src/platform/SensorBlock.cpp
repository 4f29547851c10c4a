#include "platform/SensorBlock.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "platform/CodePage.h"

namespace dravel {
namespace {

using namespace SensorBlock;

constexpr char TableMagic[4] = {'D', 'R', 'V', 'S'};
constexpr std::uint32_t TableVersion = 1;
constexpr std::size_t VersionAt = TableAt + 4;
constexpr std::size_t ChangeCountAt = TableAt + 8;
constexpr std::size_t CountAt = TableAt + 12;
constexpr std::size_t EntriesAt = TableAt + TableHeaderSize;
constexpr int ReadTries = 4;

std::int32_t Whole(double Value) {
  constexpr double Low = std::numeric_limits<std::int32_t>::min();
  constexpr double High = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::lround(std::clamp(Value, Low, High)));
}

void Put32(std::span<std::uint8_t> Block, std::size_t At, std::uint32_t Value) {
  std::memcpy(Block.data() + At, &Value, 4);
}

std::uint32_t Get32(std::span<const std::uint8_t> Block, std::size_t At) {
  std::uint32_t Value = 0;
  std::memcpy(&Value, Block.data() + At, 4);
  return Value;
}

// The change count is read and written atomically, as other processes use it at once;
// Order is __ATOMIC_ACQUIRE, __ATOMIC_RELEASE or __ATOMIC_RELAXED.
std::uint32_t LoadChangeCount(std::span<const std::uint8_t> Block, int Order) {
  return __atomic_load_n(reinterpret_cast<const std::uint32_t*>(Block.data() + ChangeCountAt),
                         Order);
}

void StoreChangeCount(std::span<std::uint8_t> Block, std::uint32_t Value, int Order) {
  __atomic_store_n(reinterpret_cast<std::uint32_t*>(Block.data() + ChangeCountAt), Value, Order);
}

void WriteSlots(std::span<std::uint8_t> Block, std::size_t At,
                const std::vector<TSensorReading>& Sensors, TSensorKind Kind) {
  std::size_t Slot = 0;
  for (const TSensorReading& Sensor : Sensors) {
    if (Sensor.Kind != Kind || Slot == SlotCount) continue;
    Put32(Block, At + 4 * Slot++, static_cast<std::uint32_t>(Whole(Sensor.Value.value_or(0))));
  }
  for (; Slot < SlotCount; ++Slot) Put32(Block, At + 4 * Slot, 0);
}

}  // namespace

std::string PerUserBlockName(std::string_view Base) {
  return std::string(Base) + "." + std::to_string(::geteuid());
}

void WriteSensorBlock(std::span<std::uint8_t> Block, const std::vector<TSensorReading>& Sensors) {
  if (Block.size() < DataSize) return;
  const std::uint32_t Writing = LoadChangeCount(Block, __ATOMIC_RELAXED) | 1;  // odd
  StoreChangeCount(Block, Writing, __ATOMIC_RELAXED);
  std::atomic_thread_fence(std::memory_order_release);

  WriteSlots(Block, TempsAt, Sensors, TSensorKind::Temperature);
  WriteSlots(Block, FansAt, Sensors, TSensorKind::Fan);
  std::memcpy(Block.data() + TableAt, TableMagic, sizeof TableMagic);
  Put32(Block, VersionAt, TableVersion);
  std::uint32_t Count = 0;
  for (const TSensorReading& Sensor : Sensors) {
    const std::string Name = Utf8ToCp1252(Sensor.Name());
    // A name too long for its field is left out rather than cut into another name.
    if (Count == MaxEntries || Name.size() >= NameSize) continue;
    const std::size_t At = EntriesAt + Count++ * EntrySize;
    std::memset(Block.data() + At, 0, EntrySize);
    Block[At] = static_cast<std::uint8_t>(Sensor.Kind);
    Block[At + 1] = Sensor.Value.has_value();
    Put32(Block, At + 4, static_cast<std::uint32_t>(Whole(Sensor.Value.value_or(0))));
    std::memcpy(Block.data() + At + 8, Name.data(), Name.size());
  }
  Put32(Block, CountAt, Count);

  StoreChangeCount(Block, Writing + 1, __ATOMIC_RELEASE);
}

bool HoldsSensorTable(std::span<const std::uint8_t> Block) {
  return Block.size() >= EntriesAt && std::memcmp(Block.data() + TableAt, TableMagic, 4) == 0 &&
         Get32(Block, VersionAt) == TableVersion;
}

std::optional<std::vector<TPublishedSensor>> ReadSensorTable(std::span<const std::uint8_t> Block) {
  if (!HoldsSensorTable(Block)) return std::nullopt;
  std::vector<std::uint8_t> Copy;
  for (int Try = 0; Try < ReadTries; ++Try) {
    if (Try > 0) std::this_thread::yield();
    const std::uint32_t Before = LoadChangeCount(Block, __ATOMIC_ACQUIRE);
    if (Before % 2 != 0) continue;
    const std::size_t Count = std::min<std::size_t>(
        {Get32(Block, CountAt), MaxEntries, (Block.size() - EntriesAt) / EntrySize});
    Copy.assign(Block.begin() + EntriesAt, Block.begin() + EntriesAt + Count * EntrySize);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (LoadChangeCount(Block, __ATOMIC_RELAXED) != Before) continue;

    std::vector<TPublishedSensor> Sensors;
    for (std::size_t At = 0; At < Copy.size(); At += EntrySize) {
      const auto Kind = static_cast<TSensorKind>(Copy[At]);
      if (Kind != TSensorKind::Temperature && Kind != TSensorKind::Fan) continue;
      TPublishedSensor Sensor;
      Sensor.Kind = Kind;
      const char* Name = reinterpret_cast<const char*>(Copy.data() + At + 8);
      Sensor.Name.assign(Name, strnlen(Name, NameSize));
      if (Copy[At + 1]) Sensor.Value = static_cast<std::int32_t>(Get32(Copy, At + 4));
      Sensors.push_back(std::move(Sensor));
    }
    return Sensors;
  }
  return std::nullopt;
}

}  // namespace dravel
