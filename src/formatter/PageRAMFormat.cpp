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

// A used or free figure: in MB on a scale up to the total, or with FORMAT "%" as a
// percentage of the total (0 when the total is 0); rounded to single precision, as it is
// shown.
TGaugeValue PartFigure(std::uint64_t Part, std::uint64_t Total, std::string_view Format) {
  if (Format == "%") {
    const double Percent =
        Total != 0 ? static_cast<double>(Part) / static_cast<double>(Total) * 100 : 0;
    return {static_cast<float>(Percent), 100};
  }
  return {static_cast<float>(static_cast<double>(Part) / BytesPerMB),
          static_cast<double>(Total) / BytesPerMB};
}

std::uint64_t Used(const TRawData& Data, TMemoryPair Pair) {
  const std::uint64_t Total = ReadMemory(Data, Pair.Total);
  const std::uint64_t Free = ReadMemory(Data, Pair.Free);
  return Total > Free ? Total - Free : 0;  // a record with free above total shows none used
}

TGaugeValue TotalFigure(const TRawData& Data, TMemoryPair Pair) {
  return {static_cast<double>(ReadMemory(Data, Pair.Total)) / BytesPerMB, std::nullopt};
}

TGaugeValue UsedFigure(const TRawData& Data, TMemoryPair Pair, std::string_view Format) {
  return PartFigure(Used(Data, Pair), ReadMemory(Data, Pair.Total), Format);
}

TGaugeValue FreeFigure(const TRawData& Data, TMemoryPair Pair, std::string_view Format) {
  return PartFigure(ReadMemory(Data, Pair.Free), ReadMemory(Data, Pair.Total), Format);
}

}  // namespace

TPageRAMFormat::TPageRAMFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("PageTotal", catalogue::MemoryDescription("Page", "Total"), "PageTotal",
          "PageTotal: <NAME=PageTotal>", Bind(&TPageRAMFormat::PageTotalFunc),
          [this](std::string_view) { return TotalFigure(Data(), Page); });
  AddItem("PageUsed", catalogue::MemoryDescription("Page", "Used"), "PageUsed",
          "PageUsed: <NAME=PageUsed>", Bind(&TPageRAMFormat::PageUsedFunc),
          [this](std::string_view Format) { return UsedFigure(Data(), Page, Format); });
  AddItem("PageFree", catalogue::MemoryDescription("Page", "Free"), "PageFree",
          "PageFree: <NAME=PageFree>", Bind(&TPageRAMFormat::PageFreeFunc),
          [this](std::string_view Format) { return FreeFigure(Data(), Page, Format); });
  AddItem("RAMTotal", catalogue::MemoryDescription("RAM", "Total"), "RAMTotal",
          "RAMTotal: <NAME=RAMTotal>", Bind(&TPageRAMFormat::RAMTotalFunc),
          [this](std::string_view) { return TotalFigure(Data(), RAM); });
  AddItem("RAMUsed", catalogue::MemoryDescription("RAM", "Used"), "RAMUsed",
          "RAMUsed: <NAME=RAMUsed>", Bind(&TPageRAMFormat::RAMUsedFunc),
          [this](std::string_view Format) { return UsedFigure(Data(), RAM, Format); });
  AddItem("RAMFree", catalogue::MemoryDescription("RAM", "Free"), "RAMFree",
          "RAMFree: <NAME=RAMFree>", Bind(&TPageRAMFormat::RAMFreeFunc),
          [this](std::string_view Format) { return FreeFigure(Data(), RAM, Format); });
}

void TPageRAMFormat::PageTotalFunc(std::string_view, bool, std::string& Output,
                                   bool Decimal) const {
  Output = FormatMemory(TotalFigure(Data(), Page).Value, Decimal, Settings());
}

void TPageRAMFormat::PageUsedFunc(std::string_view Format, bool, std::string& Output,
                                  bool Decimal) const {
  Output = FormatMemory(UsedFigure(Data(), Page, Format).Value, Decimal, Settings());
}

void TPageRAMFormat::PageFreeFunc(std::string_view Format, bool, std::string& Output,
                                  bool Decimal) const {
  Output = FormatMemory(FreeFigure(Data(), Page, Format).Value, Decimal, Settings());
}

void TPageRAMFormat::RAMTotalFunc(std::string_view, bool, std::string& Output, bool Decimal) const {
  Output = FormatMemory(TotalFigure(Data(), RAM).Value, Decimal, Settings());
}

void TPageRAMFormat::RAMUsedFunc(std::string_view Format, bool, std::string& Output,
                                 bool Decimal) const {
  Output = FormatMemory(UsedFigure(Data(), RAM, Format).Value, Decimal, Settings());
}

void TPageRAMFormat::RAMFreeFunc(std::string_view Format, bool, std::string& Output,
                                 bool Decimal) const {
  Output = FormatMemory(FreeFigure(Data(), RAM, Format).Value, Decimal, Settings());
}

}  // namespace dravel
