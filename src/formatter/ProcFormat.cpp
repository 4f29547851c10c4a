#include "formatter/ProcFormat.h"

#include "formatter/ArrayItem.h"
#include "formatter/Catalogue.h"

namespace dravel {

TProcFormat::TProcFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("Processor Usage", catalogue::ProcUsageDescription, "ProcUsage",
          "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TProcFormat::ProcUsageFunc));
}

void TProcFormat::ProcUsageFunc(std::string_view Format, bool LeadZero, std::string& Output,
                                bool Decimal) const {
  Output = FormatArrayItem(Data().ProcUsage, Format, LeadZero, Decimal,
                           {.KilobitsOnLowerB = false, .Thousands = false}, Settings());
}

}  // namespace dravel
