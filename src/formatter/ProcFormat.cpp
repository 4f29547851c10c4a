#include "formatter/ProcFormat.h"

#include "formatter/ArrayItem.h"
#include "formatter/Catalogue.h"

namespace dravel {
namespace {

constexpr TArrayItemStyle UsageStyle{.KilobitsOnLowerB = false, .Thousands = false};

}  // namespace

TProcFormat::TProcFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("Processor Usage", catalogue::ProcUsageDescription, "ProcUsage",
          "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TProcFormat::ProcUsageFunc), [this](std::string_view Format) {
            return TGaugeValue{ArrayItemValue(Data().ProcUsage, Format, UsageStyle).value_or(0), 100};
          });
}

void TProcFormat::ProcUsageFunc(std::string_view Format, bool LeadZero, std::string& Output,
                                bool Decimal) const {
  Output = FormatArrayItem(Data().ProcUsage, Format, LeadZero, Decimal, UsageStyle, Settings());
}

}  // namespace dravel
