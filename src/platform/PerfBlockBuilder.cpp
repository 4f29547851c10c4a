#include "platform/PerfBlockBuilder.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/PerfData.h"

namespace dravel {
namespace {

using namespace PerfLayout;

constexpr std::size_t AlignUp(std::size_t Value, std::size_t To) {
  return (Value + To - 1) / To * To;
}

class TByteWriter {
 public:
  std::size_t Size() const { return FBytes.size(); }
  void Grow(std::size_t Count) { FBytes.resize(FBytes.size() + Count, 0); }
  void Pad(std::size_t To) { FBytes.resize(AlignUp(FBytes.size(), To), 0); }
  void Put32(std::size_t At, std::uint32_t Value) { std::memcpy(&FBytes[At], &Value, 4); }
  void Put64(std::size_t At, std::uint64_t Value) { std::memcpy(&FBytes[At], &Value, 8); }
  void PutSized(std::size_t At, std::uint64_t Value, std::uint32_t Size) {
    if (Size == 8) {
      Put64(At, Value);
    } else {
      Put32(At, static_cast<std::uint32_t>(Value));
    }
  }
  void PutText(std::size_t At, std::u16string_view Text) {
    std::memcpy(&FBytes[At], Text.data(), Text.size() * 2);
  }
  std::vector<std::uint8_t> Take() { return std::move(FBytes); }

 private:
  std::vector<std::uint8_t> FBytes;
};

// Offsets of the counters inside a counter block: each aligned to its own size,
// after the block's length field.
std::vector<std::uint32_t> CounterOffsets(const std::vector<TPerfCounterDesc>& Counters,
                                          std::size_t& BlockLength) {
  std::vector<std::uint32_t> Offsets;
  std::size_t At = CounterBlockSize;
  for (const auto& Counter : Counters) {
    At = AlignUp(At, Counter.Size);
    Offsets.push_back(static_cast<std::uint32_t>(At));
    At += Counter.Size;
  }
  BlockLength = AlignUp(At, 8);
  return Offsets;
}

void WriteCounterBlock(TByteWriter& Out, const std::vector<TPerfCounterDesc>& Counters,
                       const std::vector<std::uint32_t>& Offsets, std::size_t BlockLength,
                       const std::vector<std::uint64_t>& Values) {
  const std::size_t Start = Out.Size();
  Out.Grow(BlockLength);
  Out.Put32(Start + CounterBlockByteLength, static_cast<std::uint32_t>(BlockLength));
  const std::size_t Count = std::min(Counters.size(), Values.size());
  for (std::size_t I = 0; I < Count; ++I) {
    Out.PutSized(Start + Offsets[I], Values[I], Counters[I].Size);
  }
}

void WriteObject(TByteWriter& Out, const TPerfObjectDesc& Object) {
  const std::size_t Start = Out.Size();
  const std::size_t DefinitionLength =
      ObjectTypeSize + CounterDefinitionSize * Object.Counters.size();
  Out.Grow(DefinitionLength);
  Out.Put32(Start + ObjDefinitionLength, static_cast<std::uint32_t>(DefinitionLength));
  Out.Put32(Start + ObjHeaderLength, static_cast<std::uint32_t>(ObjectTypeSize));
  Out.Put32(Start + ObjNameTitleIndex, Object.NameIndex);
  Out.Put32(Start + ObjNumCounters, static_cast<std::uint32_t>(Object.Counters.size()));
  const std::int32_t NumInstances =
      Object.WithInstances ? static_cast<std::int32_t>(Object.Instances.size()) : NoInstances;
  Out.Put32(Start + ObjNumInstances, static_cast<std::uint32_t>(NumInstances));
  Out.Put64(Start + ObjPerfTime, static_cast<std::uint64_t>(Object.PerfTime));
  Out.Put64(Start + ObjPerfFreq, static_cast<std::uint64_t>(Object.PerfFreq));

  std::size_t BlockLength = 0;
  const auto Offsets = CounterOffsets(Object.Counters, BlockLength);
  for (std::size_t I = 0; I < Object.Counters.size(); ++I) {
    const std::size_t At = Start + ObjectTypeSize + I * CounterDefinitionSize;
    const auto& Counter = Object.Counters[I];
    Out.Put32(At + CtrByteLength, static_cast<std::uint32_t>(CounterDefinitionSize));
    Out.Put32(At + CtrNameTitleIndex, Counter.NameIndex);
    Out.Put32(At + CtrCounterType, Counter.Type);
    Out.Put32(At + CtrCounterSize, Counter.Size);
    Out.Put32(At + CtrCounterOffset, Offsets[I]);
  }

  if (Object.WithInstances) {
    for (const auto& Instance : Object.Instances) {
      const std::size_t InstanceStart = Out.Size();
      const std::size_t NameBytes = (Instance.Name.size() + 1) * 2;
      const std::size_t InstanceLength = AlignUp(InstanceDefinitionSize + NameBytes, 8);
      Out.Grow(InstanceLength);
      Out.Put32(InstanceStart + InstByteLength, static_cast<std::uint32_t>(InstanceLength));
      Out.Put32(InstanceStart + 12, 0xFFFFFFFFu);  // UniqueID: none, instances go by name
      Out.Put32(InstanceStart + InstNameOffset, static_cast<std::uint32_t>(InstanceDefinitionSize));
      Out.Put32(InstanceStart + InstNameLength, static_cast<std::uint32_t>(NameBytes));
      Out.PutText(InstanceStart + InstanceDefinitionSize, Instance.Name);
      WriteCounterBlock(Out, Object.Counters, Offsets, BlockLength, Instance.Values);
    }
  } else {
    WriteCounterBlock(Out, Object.Counters, Offsets, BlockLength, Object.Values);
  }
  Out.Pad(8);
  Out.Put32(Start + ObjTotalByteLength, static_cast<std::uint32_t>(Out.Size() - Start));
}

}  // namespace

std::vector<std::uint8_t> BuildPerfBlock(const TPerfBlockDesc& Desc) {
  TByteWriter Out;
  Out.Grow(DataBlockSize);
  Out.PutText(0, u"PERF");
  Out.Put32(8, 1);   // LittleEndian
  Out.Put32(12, 1);  // Version
  Out.Put32(16, 1);  // Revision
  Out.Put32(BlockHeaderLength, static_cast<std::uint32_t>(DataBlockSize));
  Out.Put32(BlockNumObjectTypes, static_cast<std::uint32_t>(Desc.Objects.size()));
  Out.Put32(32, 0xFFFFFFFFu);  // DefaultObject: none
  Out.Put64(BlockPerfTime, static_cast<std::uint64_t>(Desc.PerfTime));
  Out.Put64(BlockPerfFreq, static_cast<std::uint64_t>(Desc.PerfFreq));
  Out.Put64(BlockPerfTime100nSec, static_cast<std::uint64_t>(Desc.PerfTime100nSec));
  for (const auto& Object : Desc.Objects) WriteObject(Out, Object);
  Out.Put32(BlockTotalByteLength, static_cast<std::uint32_t>(Out.Size()));
  return Out.Take();
}

std::uint32_t CopyPerfBlock(std::span<const std::uint8_t> Block, std::span<std::uint8_t> Buffer,
                            std::size_t& Written) {
  if (Block.size() > Buffer.size()) return ErrorMoreData;
  std::copy(Block.begin(), Block.end(), Buffer.begin());
  Written = Block.size();
  return ErrorSuccess;
}

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string Out;
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    const std::size_t Start = Pos;
    const std::optional<char32_t> Decoded = DecodeUtf8(Text, Pos);
    if (!Decoded) {
      Out.push_back(static_cast<unsigned char>(Text[Start]));
      continue;
    }
    char32_t Code = *Decoded;
    if (Code >= 0x10000) {
      Code -= 0x10000;
      Out.push_back(static_cast<char16_t>(0xD800 + (Code >> 10)));
      Out.push_back(static_cast<char16_t>(0xDC00 + (Code & 0x3FF)));
    } else {
      Out.push_back(static_cast<char16_t>(Code));
    }
  }
  return Out;
}

}  // namespace dravel
