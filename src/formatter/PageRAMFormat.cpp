#include "formatter/PageRAMFormat.h"

#include <cstdint>

#include "formatter/Catalogue.h"
#include "formatter/NumberFormat.h"

namespace dravel {
namespace {

constexpr double BytesPerMB = 1048576.0;

struct TMemoryPair {
  TMemoryField Free;
  TMemoryField Total;
};
constexpr TMemoryPair Page{TMemoryField::PageFree, TMemoryField::PageTotal};
constexpr TMemoryPair RAM{TMemoryField::RAMFree, TMemoryField::RAMTotal};

std::string FormatMemory(double Value, bool Decimal, const TFormatSettings& Settings) {
  return FormatFixed(Value, Decimal ? 2 : 0, Settings);
}

// A used or free figure: in MB, or with FORMAT "%" as a percentage of the total (0 when
// the total is 0), rounded to single precision before it is formatted.
std::string PartValue(std::uint64_t Part, std::uint64_t Total, std::string_view Format,
                      bool Decimal, const TFormatSettings& Settings) {
  double Value = 0;
  if (Format == "%") {
    if (Total != 0) Value = static_cast<double>(Part) / static_cast<double>(Total) * 100;
  } else {
    Value = static_cast<double>(Part) / BytesPerMB;
  }
  return FormatMemory(static_cast<float>(Value), Decimal, Settings);
}

std::uint64_t Used(const TRawData& Data, TMemoryPair Pair) {
  const std::uint64_t Total = ReadMemory(Data, Pair.Total);
  const std::uint64_t Free = ReadMemory(Data, Pair.Free);
  return Total > Free ? Total - Free : 0;  // a record with free above total shows none used
}

}  // namespace

TPageRAMFormat::TPageRAMFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("PageTotal", catalogue::MemoryDescription("Page", "Total"), "PageTotal",
          "PageTotal: <NAME=PageTotal>", Bind(&TPageRAMFormat::PageTotalFunc));
  AddItem("PageUsed", catalogue::MemoryDescription("Page", "Used"), "PageUsed",
          "PageUsed: <NAME=PageUsed>", Bind(&TPageRAMFormat::PageUsedFunc));
  AddItem("PageFree", catalogue::MemoryDescription("Page", "Free"), "PageFree",
          "PageFree: <NAME=PageFree>", Bind(&TPageRAMFormat::PageFreeFunc));
  AddItem("RAMTotal", catalogue::MemoryDescription("RAM", "Total"), "RAMTotal",
          "RAMTotal: <NAME=RAMTotal>", Bind(&TPageRAMFormat::RAMTotalFunc));
  AddItem("RAMUsed", catalogue::MemoryDescription("RAM", "Used"), "RAMUsed",
          "RAMUsed: <NAME=RAMUsed>", Bind(&TPageRAMFormat::RAMUsedFunc));
  AddItem("RAMFree", catalogue::MemoryDescription("RAM", "Free"), "RAMFree",
          "RAMFree: <NAME=RAMFree>", Bind(&TPageRAMFormat::RAMFreeFunc));
}

void TPageRAMFormat::PageTotalFunc(std::string_view, bool, std::string& Output,
                                   bool Decimal) const {
  Output = FormatMemory(ReadMemory(Data(), Page.Total) / BytesPerMB, Decimal, Settings());
}

void TPageRAMFormat::PageUsedFunc(std::string_view Format, bool, std::string& Output,
                                  bool Decimal) const {
  Output = PartValue(Used(Data(), Page), ReadMemory(Data(), Page.Total), Format, Decimal,
                     Settings());
}

void TPageRAMFormat::PageFreeFunc(std::string_view Format, bool, std::string& Output,
                                  bool Decimal) const {
  Output = PartValue(ReadMemory(Data(), Page.Free), ReadMemory(Data(), Page.Total), Format,
                     Decimal, Settings());
}

void TPageRAMFormat::RAMTotalFunc(std::string_view, bool, std::string& Output, bool Decimal) const {
  Output = FormatMemory(ReadMemory(Data(), RAM.Total) / BytesPerMB, Decimal, Settings());
}

void TPageRAMFormat::RAMUsedFunc(std::string_view Format, bool, std::string& Output,
                                 bool Decimal) const {
  Output = PartValue(Used(Data(), RAM), ReadMemory(Data(), RAM.Total), Format, Decimal, Settings());
}

void TPageRAMFormat::RAMFreeFunc(std::string_view Format, bool, std::string& Output,
                                 bool Decimal) const {
  Output = PartValue(ReadMemory(Data(), RAM.Free), ReadMemory(Data(), RAM.Total), Format, Decimal,
                     Settings());
}

}  // namespace dravel
