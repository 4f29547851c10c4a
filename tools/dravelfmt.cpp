// dravelfmt: evaluates a format text the way one panel label does, against a record
// file, a running server's records or this machine's own figures, and writes it as
// plain lines or in a status bar's protocol.
#include <unistd.h>

#include <clocale>
#include <exception>
#include <iostream>
#include <memory>
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
#include "I3barWriter.h"
#include "JsonLinesWriter.h"
#include "PlainWriter.h"
#include "RefreshOutput.h"
#include "StreamControl.h"
#include "WaybarWriter.h"

namespace dravel {
namespace {

constexpr int ExitError = 2;
constexpr int StreamIntervalMs = 1000;

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
                                                   {O.Secure, "--secure"},
                                                   {O.Right, "--right"},
                                                   {O.Plain, "--plain"},
                                                   {O.Output == TOutputMode::I3bar, "--i3bar"},
                                                   {O.Output == TOutputMode::Waybar, "--waybar"},
                                                   {O.Output == TOutputMode::Json, "--json"},
                                                   {O.ClassName.has_value(), "--class"},
                                                   {O.PercentageText.has_value(), "--percentage"}};
    for (const auto& [Given, Name] : Others) {
      if (Given) return Name;
    }
    return {};
  }
  if (O.RecordPath && O.Password) return "--password";
  if (O.Secure && !O.ConnectTarget) return "--secure";
  if (O.RecordPath || O.ConnectTarget) {
    if (O.ExcludeText) return "--exclude";
    if (O.Adapters) return "--adapters";
    if (O.DumpRecordPath) return "--dump-record";
  } else if (O.Password) {
    return "--password";
  }
  if (O.Output != TOutputMode::Plain && O.Plain) return "--plain";
  if (O.Output != TOutputMode::Waybar) {
    if (O.ClassName) return "--class";
    if (O.PercentageText) return "--percentage";
  }
  return {};
}

std::unique_ptr<TRefreshWriter> MakeWriter(const TDravelfmtOptions& Options,
                                           const std::string& Charset,
                                           const TFormatSettings& Settings) {
  switch (Options.Output) {
    case TOutputMode::I3bar:
      return std::make_unique<TI3barWriter>();
    case TOutputMode::Waybar:
      return std::make_unique<TWaybarWriter>(
          ConvertCharset(Options.ClassName.value_or(""), Charset.c_str(), "UTF-8"), Settings);
    case TOutputMode::Json:
      return std::make_unique<TJsonLinesWriter>();
    case TOutputMode::Plain:
      break;
  }
  return std::make_unique<TPlainWriter>(Options.Plain, Charset);
}

int Run(const TDravelfmtOptions& Options, TStreamControl& Stream) {
  const std::string Charset = LocaleCharset();
  if (Options.ListSensors) {
    WriteSensorList(std::cout, *MakeSensors(), Charset);
    return 0;
  }
  const auto ToCodePage = [&](const std::string& Text) {
    return ConvertCharset(Text, Charset.c_str(), "CP1252");
  };
  const TFormatSettings Settings = FormatSettingsFromLocale();
  TRawDataShell Shell;
  const TLabelText Labels(Shell, Settings, ToCodePage(Options.Text),
                          Options.Right ? TAlignment::Right : TAlignment::Left,
                          ToCodePage(Options.PercentageText.value_or("")));
  const std::unique_ptr<TRefreshWriter> Writer = MakeWriter(Options, Charset, Settings);
  TRefreshOutput Output(Labels, *Writer, Stream);
  const auto Show = [&] { Output.Show(); };
  // The status-bar forms stream by default; the plain form shows one refresh.
  const bool StatusBar = Options.Output != TOutputMode::Plain;
  const int Count = Options.Count.value_or(StatusBar ? 0 : 1);
  const auto Finish = [&](int Status) {
    if (Output.Failure().empty()) return Status;
    std::cerr << "dravelfmt: " << Output.Failure() << "\n";
    return ExitError;
  };
  Output.Begin();

  if (Options.RecordPath) {
    if (const int Status = RunRecord(*Options.RecordPath, std::cin, Shell, [] {}, std::cerr))
      return Status;
    RepeatRefreshes(Count, Options.IntervalMs.value_or(StreamIntervalMs), Stream, Show);
    return Finish(0);
  }

  if (Options.ConnectTarget) {
    TConnectRequest Request;
    Request.Target = *Options.ConnectTarget;
    Request.Password = Options.Password.value_or("");
    Request.Secure = Options.Secure;
    Request.IntervalMs =
        Options.IntervalMs.value_or(StatusBar ? StreamIntervalMs : Request.IntervalMs);
    Request.Count = Count;
    Request.WakeDescriptor = Stream.WakeDescriptor();
    Request.Stopping = [&] { return Stream.Stopping(); };
    return Finish(RunConnect(Request, Shell, Show, std::cerr));
  }

  TLiveRequest Request;
  Request.IntervalMs = Options.IntervalMs.value_or(Request.IntervalMs);
  Request.Count = Count;
  Request.ExcludeText = Options.ExcludeText.value_or("");
  if (Options.Adapters) {
    Request.Adapters = ParseCommaText(ConvertCharset(*Options.Adapters, Charset.c_str(), "CP1252"));
  }
  Request.DumpRecordPath = Options.DumpRecordPath.value_or("");
  Request.WaitUntil = [&](auto Until) { return Stream.WaitUntil(Until); };
  // The first pass is evaluated unseen, so drive-space tags claim their slots in time
  // for the refreshes that are shown.
  return Finish(RunLive(Request, Labels.ActiveFamilies(), Shell,
                        [&](bool Refresh) {
                          if (Refresh) {
                            Show();
                          } else {
                            Labels.Render();
                          }
                        },
                        std::cerr));
}

}  // namespace
}  // namespace dravel

int main(int Argc, char** Argv) {
  using namespace dravel;
  std::setlocale(LC_ALL, "");
  const TDravelfmtParse Parsed = ParseDravelfmtOptions({Argv + 1, Argv + Argc});
  if (!Parsed.Error.empty()) {
    std::cerr << "dravelfmt: " << Parsed.Error << " (see dravelfmt --help)\n";
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
    TStreamControl Stream(STDOUT_FILENO);
    return Stream.ExitStatus(Run(Parsed.Options, Stream));
  } catch (const std::exception& Error) {
    std::cerr << "dravelfmt: " << Error.what() << "\n";
    return ExitError;
  }
}
