#pragma once
// Network receive and send rates and byte totals, overall or per adapter.

#include "formatter/Formatter.h"

namespace dravel {

class TNetworkFormat : public TFormatter {
 public:
  TNetworkFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  void ReadFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void WriteFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void ReadSumFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void WriteSumFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;

 private:
  // The figure of Field that FORMAT selects, on a scale that follows the values.
  TGaugeFunc ArrayGauge(const float (TRawData::*Field)[5], bool Sum) const;
};

}  // namespace dravel
