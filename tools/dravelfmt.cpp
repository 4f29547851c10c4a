// dravelfmt: evaluates a format text the way one panel label does, against a record
// file, a running server's records or this machine's own figures.
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "DravelfmtConnect.h"
#include "DravelfmtLabels.h"
#include "DravelfmtLive.h"
#include "DravelfmtOptions.h"
#include "DravelfmtRecord.h"
#include "DravelfmtSensors.h"
#include "platform/Sensors.h"
#include "sampling/CommaText.h"

namespace dravel {
namespace {

constexpr int ExitError = 2;

// The first option given that the chosen mode has no use for, or empty.
std::string UnusedOption(const TDravelfmtOptions& O) {
  if (O.ListSensors) {
    const std::pair<bool, const char*> Others[] = {{O.RecordPath.has_value(), "--record"},
                                                   {O.ConnectTarget.has_value(), "--connect"},
                                                   {O.IntervalMs.has_value(), "--interval"},
                                                   {O.Count.has_value(), "--count"},
                                                   {O.ExcludeText.has_value(), "--exclude"},
                                                   {O.Adapters.has_value(), "--adapters"},
                                                   {O.DumpRecordPath.has_value(), "--dump-record"},
                                                   {O.Password.has_value(), "--password"},
                                                   {O.Right, "--right"},
                                                   {O.Plain, "--plain"}};
    for (const auto& [Given, Name] : Others) {
      if (Given) return Name;
    }
    return {};
  }
  if (O.RecordPath) {
    if (O.IntervalMs) return "--interval";
    if (O.Count) return "--count";
    if (O.Password) return "--password";
  }
  if (O.RecordPath || O.ConnectTarget) {
    if (O.ExcludeText) return "--exclude";
    if (O.Adapters) return "--adapters";
    if (O.DumpRecordPath) return "--dump-record";
  } else if (O.Password) {
    return "--password";
  }
  return {};
}

int Run(const TDravelfmtOptions& Options) {
  const std::string Charset = LocaleCharset();
  if (Options.ListSensors) {
    WriteSensorList(std::cout, *MakeSensors(), Charset);
    return 0;
  }
  const std::string Text = ConvertCharset(Options.Text, Charset.c_str(), "CP1252");
  TRawDataShell Shell;
  const TLabelText Labels(Shell, FormatSettingsFromLocale(), Text,
                          Options.Right ? TAlignment::Right : TAlignment::Left);
  const auto Show = [&] { WriteLines(std::cout, Labels.Render(), Options.Plain, Charset); };

  if (Options.RecordPath) return RunRecord(*Options.RecordPath, std::cin, Shell, Show, std::cerr);

  if (Options.ConnectTarget) {
    TConnectRequest Request;
    Request.Target = *Options.ConnectTarget;
    Request.Password = Options.Password.value_or("");
    Request.IntervalMs = Options.IntervalMs.value_or(Request.IntervalMs);
    Request.Count = Options.Count.value_or(Request.Count);
    return RunConnect(Request, Shell, Show, std::cerr);
  }

  TLiveRequest Request;
  Request.IntervalMs = Options.IntervalMs.value_or(Request.IntervalMs);
  Request.Count = Options.Count.value_or(Request.Count);
  Request.ExcludeText = Options.ExcludeText.value_or("");
  if (Options.Adapters) {
    Request.Adapters = ParseCommaText(ConvertCharset(*Options.Adapters, Charset.c_str(), "CP1252"));
  }
  Request.DumpRecordPath = Options.DumpRecordPath.value_or("");
  // The first pass is evaluated unseen, so drive-space tags claim their slots in time
  // for the refreshes that are shown.
  return RunLive(Request, Labels.ActiveFamilies(), Shell,
                 [&](bool Refresh) {
                   if (Refresh) {
                     Show();
                   } else {
                     Labels.Render();
                   }
                 },
                 std::cerr);
}

}  // namespace
}  // namespace dravel

int main(int Argc, char** Argv) {
  using namespace dravel;
  std::setlocale(LC_ALL, "");
  const TDravelfmtParse Parsed = ParseDravelfmtOptions({Argv + 1, Argv + Argc});
  if (!Parsed.Error.empty()) {
    std::cerr << "dravelfmt: " << Parsed.Error << "\n\n" << DravelfmtUsage();
    return ExitError;
  }
  if (Parsed.Options.Help) {
    std::cout << DravelfmtUsage();
    return 0;
  }
  if (const std::string Unused = UnusedOption(Parsed.Options); !Unused.empty()) {
    std::cerr << "dravelfmt: " << Unused << " has no use in this mode\n";
    return ExitError;
  }
  try {
    return Run(Parsed.Options);
  } catch (const std::exception& Error) {
    std::cerr << "dravelfmt: " << Error.what() << "\n";
    return ExitError;
  }
}
