#pragma once
// Uptime, thread count and process count.

#include <cstdint>

#include "formatter/Formatter.h"

namespace dravel {

class TUTPFormat : public TFormatter {
 public:
  TUTPFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  void UptimeFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void ThreadsFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void ProcessesFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;

  // Writes Pattern into Output with its first "*d*", "*D*", "*h*", "*H*", "*m*", "*M*",
  // "*s*" and "*S*" replaced by the parts of Seconds. Also used by the uptime records.
  static void UpTimeSubFormat(std::string_view Pattern, bool LeadZero, std::string& Output,
                              std::int64_t Seconds);
};

}  // namespace dravel
