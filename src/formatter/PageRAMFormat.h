#pragma once
// Page file and physical memory, in MB or as a percentage of the total.

#include "formatter/Formatter.h"

namespace dravel {

class TPageRAMFormat : public TFormatter {
 public:
  TPageRAMFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  void PageTotalFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void PageUsedFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void PageFreeFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void RAMTotalFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void RAMUsedFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void RAMFreeFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
};

}  // namespace dravel
