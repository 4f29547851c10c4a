#pragma once
// Builds performance data blocks in the published Windows layouts (little-endian,
// 32-bit pointers, instance names in UTF-16), from plain values.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

// Sizes and field offsets of the published layouts.
namespace PerfLayout {
constexpr std::size_t DataBlockSize = 88;           // PERF_DATA_BLOCK
constexpr std::size_t ObjectTypeSize = 64;          // PERF_OBJECT_TYPE
constexpr std::size_t CounterDefinitionSize = 40;   // PERF_COUNTER_DEFINITION
constexpr std::size_t InstanceDefinitionSize = 24;  // PERF_INSTANCE_DEFINITION
constexpr std::size_t CounterBlockSize = 4;         // PERF_COUNTER_BLOCK header

// PERF_DATA_BLOCK
constexpr std::size_t BlockTotalByteLength = 20;
constexpr std::size_t BlockHeaderLength = 24;
constexpr std::size_t BlockNumObjectTypes = 28;
constexpr std::size_t BlockPerfTime = 56;
constexpr std::size_t BlockPerfFreq = 64;
constexpr std::size_t BlockPerfTime100nSec = 72;
// PERF_OBJECT_TYPE
constexpr std::size_t ObjTotalByteLength = 0;
constexpr std::size_t ObjDefinitionLength = 4;
constexpr std::size_t ObjHeaderLength = 8;
constexpr std::size_t ObjNameTitleIndex = 12;
constexpr std::size_t ObjNumCounters = 32;
constexpr std::size_t ObjNumInstances = 40;
constexpr std::size_t ObjPerfTime = 48;
constexpr std::size_t ObjPerfFreq = 56;
// PERF_COUNTER_DEFINITION
constexpr std::size_t CtrByteLength = 0;
constexpr std::size_t CtrNameTitleIndex = 4;
constexpr std::size_t CtrCounterType = 28;
constexpr std::size_t CtrCounterSize = 32;
constexpr std::size_t CtrCounterOffset = 36;
// PERF_INSTANCE_DEFINITION
constexpr std::size_t InstByteLength = 0;
constexpr std::size_t InstNameOffset = 16;
constexpr std::size_t InstNameLength = 20;
// PERF_COUNTER_BLOCK
constexpr std::size_t CounterBlockByteLength = 0;

constexpr std::int32_t NoInstances = -1;  // PERF_NO_INSTANCES
}  // namespace PerfLayout

// Counter types as the system declares them for the counters this program serves.
namespace PerfCounterType {
constexpr std::uint32_t Timer100nsInverse = 0x20570500;  // PERF_100NSEC_TIMER_INV
constexpr std::uint32_t Timer100ns = 0x20510500;         // PERF_100NSEC_TIMER
constexpr std::uint32_t BulkCount = 0x10410500;          // PERF_COUNTER_BULK_COUNT
constexpr std::uint32_t RawCount = 0x00010000;           // PERF_COUNTER_RAWCOUNT
constexpr std::uint32_t ElapsedTime = 0x30240500;        // PERF_ELAPSED_TIME
}  // namespace PerfCounterType

struct TPerfCounterDesc {
  std::uint32_t NameIndex = 0;
  std::uint32_t Size = 4;  // 4 or 8 bytes
  std::uint32_t Type = PerfCounterType::RawCount;
};

struct TPerfInstanceDesc {
  std::u16string Name;
  std::vector<std::uint64_t> Values;  // one per counter of the object, in its order
};

struct TPerfObjectDesc {
  std::uint32_t NameIndex = 0;
  std::int64_t PerfTime = 0;
  std::int64_t PerfFreq = 0;
  std::vector<TPerfCounterDesc> Counters;
  bool WithInstances = true;
  std::vector<TPerfInstanceDesc> Instances;  // when WithInstances
  std::vector<std::uint64_t> Values;         // the object's own counters otherwise
};

struct TPerfBlockDesc {
  std::int64_t PerfTime = 0;
  std::int64_t PerfFreq = 0;
  std::int64_t PerfTime100nSec = 0;
  std::vector<TPerfObjectDesc> Objects;
};

std::vector<std::uint8_t> BuildPerfBlock(const TPerfBlockDesc& Desc);

// Copies a built block into a caller's buffer as a performance query answers.
std::uint32_t CopyPerfBlock(std::span<const std::uint8_t> Block, std::span<std::uint8_t> Buffer,
                            std::size_t& Written);

// Names from the system are UTF-8; bytes that are not valid UTF-8 are taken as Latin-1.
std::u16string Utf8ToUtf16(std::string_view Text);

}  // namespace dravel
