#pragma once
// A panel as the web service sees it: a record holder and the six formatters.

#include <string>
#include <string_view>

#include "formatter/FormatSettings.h"
#include "formatter/FormatterRegistry.h"
#include "sampling/RawData.h"
#include "service/VantorImpl.h"

namespace dravel::test {

struct TPanelState {
  TRawDataShell Shell;
  TFormatterRegistry Registry{Shell, TFormatSettings{}};
  TServiceState State{Shell, [this](std::string_view Line) { return Registry.Evaluate(Line); }};
};

}  // namespace dravel::test
