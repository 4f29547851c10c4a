#include "service/VantorImpl.h"

#include <limits>
#include <stdexcept>

namespace dravel {

namespace {

// Index 0 is the overall figure, 1 to 4 the first four processors or adapters.
float Selected(const float (&Values)[5], std::int8_t Selection) {
  return Selection >= 0 && Selection <= 4 ? Values[Selection] : 0.0f;
}

// A memory figure as the 32-bit result type carries it: counts above 4 GiB read as the
// largest unsignedInt instead of wrapping to a small number. "Used" is worked out in
// 32-bit unsigned arithmetic on those figures, so it wraps when free exceeds total.
std::uint32_t MemoryFigure(const TRawData& Data, TMemoryField Free, TMemoryField Total,
                           TSubItem SubItem) {
  const auto Clamped = [&Data](TMemoryField Field) {
    const std::uint64_t Bytes = ReadMemory(Data, Field);
    constexpr std::uint64_t Largest = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(Bytes > Largest ? Largest : Bytes);
  };
  switch (SubItem) {
    case TSubItem::siFree:
      return Clamped(Free);
    case TSubItem::siTotal:
      return Clamped(Total);
    case TSubItem::siUsed:
      return Clamped(Total) - Clamped(Free);
  }
  return 0;
}

}  // namespace

std::string TVantorWS::GetFormattedItem(const std::string& FormatString) {
  // Every tag may pad its value to thousands of characters, so a long text from the
  // network could make a huge answer; panel texts are a few hundred characters.
  if (FormatString.size() > MaxFormatStringLength)
    throw std::length_error("Format string longer than " +
                            std::to_string(MaxFormatStringLength) + " characters");
  const std::lock_guard Lock(FState.Shell.Guard);
  return FState.Evaluate(FormatString);
}

std::uint8_t TVantorWS::GetVersion() {
  return Read([](const TRawData& Data) { return static_cast<std::uint8_t>(Data.Marker); });
}

float TVantorWS::GetDriveSpace(char Selection, TSubItem SubItem) {
  return Read([&](const TRawData& Data) {
    for (const TDriveEntry& Drive : Data.Drives) {
      if (Drive.Letter != Selection) continue;
      switch (SubItem) {
        case TSubItem::siFree:
          return Drive.FreeMB;
        case TSubItem::siTotal:
          return Drive.TotalMB;
        case TSubItem::siUsed:
          return Drive.TotalMB - Drive.FreeMB;
      }
      return 0.0f;
    }
    return 0.0f;
  });
}

float TVantorWS::GetProcUsage(std::int8_t Selection) {
  return Read([&](const TRawData& Data) { return Selected(Data.ProcUsage, Selection); });
}

float TVantorWS::GetNetRead(std::int8_t Selection) {
  return Read([&](const TRawData& Data) { return Selected(Data.NetRead, Selection); });
}

float TVantorWS::GetNetReadSum(std::int8_t Selection) {
  return Read([&](const TRawData& Data) { return Selected(Data.NetSumRead, Selection); });
}

float TVantorWS::GetNetWrite(std::int8_t Selection) {
  return Read([&](const TRawData& Data) { return Selected(Data.NetWrite, Selection); });
}

float TVantorWS::GetNetWriteSum(std::int8_t Selection) {
  return Read([&](const TRawData& Data) { return Selected(Data.NetSumWrite, Selection); });
}

std::uint32_t TVantorWS::GetPage(TSubItem SubItem) {
  return Read([&](const TRawData& Data) {
    return MemoryFigure(Data, TMemoryField::PageFree, TMemoryField::PageTotal, SubItem);
  });
}

std::uint32_t TVantorWS::GetRAM(TSubItem SubItem) {
  return Read([&](const TRawData& Data) {
    return MemoryFigure(Data, TMemoryField::RAMFree, TMemoryField::RAMTotal, SubItem);
  });
}

std::int16_t TVantorWS::GetThreads() {
  return Read([](const TRawData& Data) { return Data.Threads; });
}

std::int16_t TVantorWS::GetProcesses() {
  return Read([](const TRawData& Data) { return Data.Processes; });
}

TXSDateTime TVantorWS::GetDateTime() {
  const double DateTime = Read([](const TRawData& Data) { return Data.DateTime; });
  return TXSDateTime::FromDateTime(DateTime);
}

std::int64_t TVantorWS::GetUptime() {
  return Read([](const TRawData& Data) { return Data.Uptime; });
}

std::string TVantorWS::GetCompName() {
  return Read([](const TRawData& Data) { return ReadShortName(Data.CompName); });
}

std::string TVantorWS::GetUser() {
  return Read([](const TRawData& Data) { return ReadShortName(Data.UserName); });
}

}  // namespace dravel
