#include "sampling/RawData.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace dravel {
namespace {

constexpr std::uint64_t MemoryLimit = (std::uint64_t{1} << 40) - 1;

template <typename Record>
auto& LowPart(Record& Data, TMemoryField Field) {
  switch (Field) {
    case TMemoryField::PageFree: return Data.PageFree;
    case TMemoryField::PageTotal: return Data.PageTotal;
    case TMemoryField::RAMFree: return Data.RAMFree;
    case TMemoryField::RAMTotal: break;
  }
  return Data.RAMTotal;
}

}  // namespace

std::uint64_t ReadMemory(const TRawData& Data, TMemoryField Field) {
  const std::uint32_t Low = LowPart(Data, Field);
  const auto High = Data.MemoryHigh[static_cast<std::size_t>(Field)];
  return (std::uint64_t{High} << 32) | Low;
}

void WriteMemory(TRawData& Data, TMemoryField Field, std::uint64_t Bytes) {
  const std::uint64_t Kept = std::min(Bytes, MemoryLimit);
  LowPart(Data, Field) = static_cast<std::uint32_t>(Kept);
  Data.MemoryHigh[static_cast<std::size_t>(Field)] = static_cast<std::uint8_t>(Kept >> 32);
}

std::string ReadShortName(const TShortName& Name) {
  const std::size_t Length = std::min<std::size_t>(Name.Length, sizeof Name.Chars);
  return std::string(Name.Chars, Length);
}

void WriteShortName(TShortName& Name, std::string_view Text) {
  const std::size_t Length = std::min(Text.size(), sizeof Name.Chars);
  std::memcpy(Name.Chars, Text.data(), Length);
  Name.Length = static_cast<std::uint8_t>(Length);
}

std::span<const std::uint8_t, RawDataSize> RecordBytes(const TRawData& Data) {
  return std::span<const std::uint8_t, RawDataSize>(
      reinterpret_cast<const std::uint8_t*>(&Data), RawDataSize);
}

void LoadRecord(TRawData& Data, std::span<const std::uint8_t, RawDataSize> Bytes) {
  std::memcpy(&Data, Bytes.data(), RawDataSize);
}

TRawDataShell::TRawDataShell() { FAccumulator.reserve(RawDataSize); }

void TRawDataShell::AddBytes(const std::uint8_t* Bytes, std::size_t Count) {
  std::size_t I = 0;
  // Where the record being assembled began in this chunk; none while it began earlier.
  std::optional<std::size_t> Start;
  while (I < Count) {
    if (FAccumulator.empty()) Start = I;
    const std::size_t N = std::min(RawDataSize - FAccumulator.size(), Count - I);
    FAccumulator.insert(FAccumulator.end(), Bytes + I, Bytes + I + N);
    I += N;
    if (FAccumulator.size() < RawDataSize) break;

    LoadRecord(Data, std::span<const std::uint8_t, RawDataSize>(FAccumulator.data(), RawDataSize));
    FAccumulator.clear();
    if (Data.Marker == RecordMarker) {
      if (OnRecord) OnRecord(*this);
      continue;
    }
    // Resynchronise on the next "W", never at or before the dropped record's start.
    const std::size_t From = Start ? *Start + 1 : 0;
    const auto* Found = std::find(Bytes + std::min(From, Count), Bytes + Count,
                                  static_cast<std::uint8_t>(RecordMarker));
    I = static_cast<std::size_t>(Found - Bytes);
  }
}

}  // namespace dravel
