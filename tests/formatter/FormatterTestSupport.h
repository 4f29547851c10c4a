#pragma once
// Shared set-up of the format engine tests: fixed regional settings and a registry over a
// record the test fills.

#include <string>
#include <string_view>

#include "formatter/formatter.h"

namespace dravel::testing {

// Settings that differ from every locale default in a visible way.
inline TFormatSettings TestSettings() {
  TFormatSettings Settings;
  Settings.DecimalSeparator = ".";
  Settings.ThousandSeparator = ",";
  Settings.DateSeparator = "/";
  Settings.TimeSeparator = ":";
  Settings.ShortDateFormat = "dd/mm/yyyy";
  Settings.LongDateFormat = "dddd d mmmm yyyy";
  Settings.ShortTimeFormat = "hh:nn";
  Settings.LongTimeFormat = "hh:nn:ss";
  Settings.TimeAMString = "vorm";
  Settings.TimePMString = "nachm";
  return Settings;
}

class TEngine {
 public:
  explicit TEngine(const TFormatSettings& Settings = TestSettings())
      : Registry(Shell, Settings) {}

  TRawData& Data() { return Shell.Data; }

  // What a label built from Line shows: activity decided from the line, then evaluated.
  std::string Show(std::string_view Line, TAlignment Alignment = TAlignment::Left) {
    Registry.DecideIfActive(Line);
    Registry.SetAlignment(Alignment);
    return Registry.Evaluate(Line);
  }

  TRawDataShell Shell;
  TFormatterRegistry Registry;
};

}  // namespace dravel::testing
