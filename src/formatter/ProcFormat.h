#pragma once
// Processor usage, overall or per processor.

#include "formatter/Formatter.h"

namespace dravel {

class TProcFormat : public TFormatter {
 public:
  TProcFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  // The tray icon calls this directly: empty FORMAT, LEADZERO on, DECIMAL off gives the
  // overall usage as a whole number with a leading "0" below 10.
  void ProcUsageFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
};

}  // namespace dravel
