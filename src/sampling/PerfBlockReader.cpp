#include "sampling/PerfBlockReader.h"

#include <cstring>

#include "platform/PerfBlockBuilder.h"

namespace dravel {
namespace {

using namespace PerfLayout;

// Code page 1252 for the UTF-16 units 0x80..0x9F of that page's own characters.
char Cp1252Of(char16_t Unit) {
  if (Unit < 0x80 || (Unit >= 0xA0 && Unit <= 0xFF)) return static_cast<char>(Unit);
  static constexpr char16_t High[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  for (unsigned I = 0; I < 32; ++I) {
    if (High[I] != 0 && High[I] == Unit) return static_cast<char>(0x80 + I);
  }
  return '?';
}

}  // namespace

TPerfBlockReader::TPerfBlockReader(std::span<const std::uint8_t> Block) : FBlock(Block) {
  if (FBlock.size() < DataBlockSize) throw TPerfDataError("performance data block too short");
}

template <typename T>
T TPerfBlockReader::Read(std::size_t At) const {
  if (At > FBlock.size() || FBlock.size() - At < sizeof(T)) {
    throw TPerfDataError("performance data read outside the block");
  }
  T Value;
  std::memcpy(&Value, FBlock.data() + At, sizeof(T));
  return Value;
}

std::uint32_t TPerfBlockReader::U32(std::size_t At) const { return Read<std::uint32_t>(At); }

std::uint64_t TPerfBlockReader::U64(std::size_t At) const { return Read<std::uint64_t>(At); }

std::size_t TPerfBlockReader::Advance(std::size_t From, std::uint32_t Length,
                                      std::size_t Least) const {
  if (Length < Least) throw TPerfDataError("performance data length too small");
  const std::size_t To = From + Length;
  if (To > FBlock.size()) throw TPerfDataError("performance data points outside the block");
  return To;
}

std::uint32_t TPerfBlockReader::NumObjectTypes() const { return U32(BlockNumObjectTypes); }

std::int64_t TPerfBlockReader::PerfTime100nSec() const {
  return static_cast<std::int64_t>(U64(BlockPerfTime100nSec));
}

std::size_t TPerfBlockReader::FirstObject() const {
  return Advance(0, U32(BlockHeaderLength), DataBlockSize);
}

std::size_t TPerfBlockReader::NextObject(std::size_t Object) const {
  return Advance(Object, U32(Object + ObjTotalByteLength), ObjectTypeSize);
}

std::uint32_t TPerfBlockReader::ObjectNameIndex(std::size_t Object) const {
  return U32(Object + ObjNameTitleIndex);
}

std::int32_t TPerfBlockReader::NumInstances(std::size_t Object) const {
  return static_cast<std::int32_t>(U32(Object + ObjNumInstances));
}

std::uint32_t TPerfBlockReader::NumCounters(std::size_t Object) const {
  return U32(Object + ObjNumCounters);
}

std::int64_t TPerfBlockReader::ObjectPerfTime(std::size_t Object) const {
  return static_cast<std::int64_t>(U64(Object + ObjPerfTime));
}

std::int64_t TPerfBlockReader::ObjectPerfFreq(std::size_t Object) const {
  return static_cast<std::int64_t>(U64(Object + ObjPerfFreq));
}

std::size_t TPerfBlockReader::FirstCounter(std::size_t Object) const {
  return Advance(Object, U32(Object + ObjHeaderLength), ObjectTypeSize);
}

std::size_t TPerfBlockReader::NextCounter(std::size_t Counter) const {
  return Advance(Counter, U32(Counter + CtrByteLength), CounterDefinitionSize);
}

TPerfCounterDef TPerfBlockReader::Counter(std::size_t Counter) const {
  return {U32(Counter + CtrNameTitleIndex), U32(Counter + CtrCounterSize),
          U32(Counter + CtrCounterOffset)};
}

std::size_t TPerfBlockReader::FirstInstance(std::size_t Object) const {
  return Advance(Object, U32(Object + ObjDefinitionLength), ObjectTypeSize);
}

std::size_t TPerfBlockReader::InstanceCounterBlock(std::size_t Instance) const {
  return Advance(Instance, U32(Instance + InstByteLength), InstanceDefinitionSize);
}

std::size_t TPerfBlockReader::NextInstance(std::size_t Instance) const {
  const std::size_t Block = InstanceCounterBlock(Instance);
  return Advance(Block, U32(Block + CounterBlockByteLength), CounterBlockSize);
}

void TPerfBlockReader::InstanceName(std::size_t Instance, std::string& Name) const {
  Name.clear();
  const std::size_t Start = Instance + U32(Instance + InstNameOffset);
  const std::size_t Length = U32(Instance + InstNameLength);
  if (Start > FBlock.size() || FBlock.size() - Start < Length) {
    throw TPerfDataError("performance data instance name outside the block");
  }
  for (std::size_t I = 0; I + 1 < Length; I += 2) {
    char16_t Unit;
    std::memcpy(&Unit, FBlock.data() + Start + I, 2);
    if (Unit == 0) break;
    Name.push_back(Cp1252Of(Unit));
  }
}

std::size_t TPerfBlockReader::ObjectCounterBlock(std::size_t Object) const {
  return FirstInstance(Object);
}

std::uint64_t TPerfBlockReader::Value(std::size_t CounterBlock,
                                      const TPerfCounterDef& Counter) const {
  const std::size_t Size = Counter.Size == 8 ? 8 : 4;
  const std::size_t BlockLength = U32(CounterBlock + CounterBlockByteLength);
  if (Counter.Offset > BlockLength || BlockLength - Counter.Offset < Size) {
    throw TPerfDataError("performance counter outside its counter block");
  }
  const std::size_t At = CounterBlock + Counter.Offset;
  return Size == 8 ? U64(At) : U32(At);
}

}  // namespace dravel
