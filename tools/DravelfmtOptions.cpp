#include "DravelfmtOptions.h"

#include <charconv>
#include <string_view>

namespace dravel {
namespace {

// A whole decimal number within [Min, Max], nothing else.
std::optional<int> ReadNumber(std::string_view Text, int Min, int Max) {
  int Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size() || Value < Min || Value > Max) {
    return std::nullopt;
  }
  return Value;
}

constexpr int MaxIntervalMs = 24 * 60 * 60 * 1000;
constexpr int MaxCount = 1000000000;

// The output mode an argument names, if it names one.
std::optional<TOutputMode> OutputModeOption(std::string_view Arg) {
  if (Arg == "--i3bar") return TOutputMode::I3bar;
  if (Arg == "--waybar") return TOutputMode::Waybar;
  if (Arg == "--json") return TOutputMode::Json;
  return std::nullopt;
}

}  // namespace

TDravelfmtParse ParseDravelfmtOptions(const std::vector<std::string>& Arguments) {
  TDravelfmtParse Result;
  TDravelfmtOptions& O = Result.Options;
  std::vector<std::string> Texts;
  bool OptionsEnded = false;

  for (std::size_t I = 0; I < Arguments.size() && Result.Error.empty(); ++I) {
    const std::string& Arg = Arguments[I];
    if (OptionsEnded || Arg.empty() || Arg[0] != '-' || Arg == "-") {
      Texts.push_back(Arg);
      continue;
    }
    if (Arg == "--") {
      OptionsEnded = true;
      continue;
    }
    if (Arg == "--right") {
      O.Right = true;
      continue;
    }
    if (Arg == "--plain") {
      O.Plain = true;
      continue;
    }
    if (Arg == "--help" || Arg == "-h") {
      O.Help = true;
      continue;
    }
    if (Arg == "--secure") {
      O.Secure = true;
      continue;
    }
    if (Arg == "--list-sensors") {
      O.ListSensors = true;
      continue;
    }
    if (const auto Mode = OutputModeOption(Arg)) {
      if (O.Output != TOutputMode::Plain && O.Output != *Mode)
        Result.Error = "choose one of --i3bar, --waybar and --json";
      O.Output = *Mode;
      continue;
    }
    // The options that take a value: "--name VALUE" or "--name=VALUE".
    std::string Name = Arg;
    std::optional<std::string> Value;
    if (const std::size_t Equals = Arg.find('='); Equals != std::string::npos) {
      Name = Arg.substr(0, Equals);
      Value = Arg.substr(Equals + 1);
    }
    const auto Take = [&]() -> std::optional<std::string> {
      if (Value) return Value;
      if (I + 1 < Arguments.size()) return Arguments[++I];
      Result.Error = Name + " needs a value";
      return std::nullopt;
    };
    const auto Number = [&](int Min, int Max, std::optional<int>& Into) {
      const auto Text = Take();
      if (!Text) return;
      Into = ReadNumber(*Text, Min, Max);
      if (!Into) {
        Result.Error = Name + " takes a whole number from " + std::to_string(Min) + " to " +
                       std::to_string(Max) + ", not \"" + *Text + "\"";
      }
    };
    const auto String = [&](std::optional<std::string>& Into) {
      if (auto Text = Take()) Into = std::move(*Text);
    };
    if (Name == "--record") {
      String(O.RecordPath);
    } else if (Name == "--interval") {
      Number(1, MaxIntervalMs, O.IntervalMs);
    } else if (Name == "--count") {
      Number(0, MaxCount, O.Count);
    } else if (Name == "--dump-record") {
      String(O.DumpRecordPath);
    } else if (Name == "--exclude") {
      String(O.ExcludeText);
    } else if (Name == "--connect") {
      String(O.ConnectTarget);
    } else if (Name == "--password") {
      String(O.Password);
    } else if (Name == "--adapters") {
      String(O.Adapters);
    } else if (Name == "--class") {
      String(O.ClassName);
    } else if (Name == "--percentage") {
      String(O.PercentageText);
    } else {
      Result.Error = "unknown option " + Arg;
    }
  }
  if (!Result.Error.empty() || O.Help) return Result;
  if (O.ListSensors) {
    if (!Texts.empty()) Result.Error = "--list-sensors takes no TEXT";
    return Result;
  }

  if (Texts.size() != 1) {
    Result.Error = Texts.empty() ? "no TEXT given" : "more than one TEXT given (quote the text)";
  } else if (O.RecordPath && O.ConnectTarget) {
    Result.Error = "--record and --connect cannot be used together";
  } else {
    O.Text = Texts.front();
  }
  return Result;
}

std::string DravelfmtUsage() {
  return "Usage: dravelfmt [OPTIONS] TEXT\n"
         "Evaluates the format TEXT the way one panel label does; each line of TEXT\n"
         "gives one line of output.\n"
         "\n"
         "  --i3bar              write the i3bar protocol (i3bar, swaybar), a block a line\n"
         "  --waybar             write JSON lines for a Waybar custom module\n"
         "  --json               write one JSON object per refresh: \"lines\" and \"time\"\n"
         "  --class NAME         Waybar: the module's \"class\"\n"
         "  --percentage TEXT    Waybar: a format text giving the \"percentage\"\n"
         "\n"
         "  --record FILE        evaluate against a 312-byte record read from FILE\n"
         "                       (\"-\" for standard input)\n"
         "  --connect HOST[:PORT]  evaluate against the records of a running server\n"
         "  --password PW        the server's link password\n"
         "  --secure             prove the password to the server and have it prove it\n"
         "                       back, then exchange sealed frames (--connect)\n"
         "  --interval MS        time between refreshes (1000 by default; 2000 for the\n"
         "                       plain output with --connect)\n"
         "  --count N            refreshes to show (0: until interrupted or the output\n"
         "                       closes; the default with --i3bar, --waybar and --json)\n"
         "  --exclude TEXT       processes to leave out of the counts (live mode)\n"
         "  --adapters LIST      network interfaces for adapters 1-4, comma-separated\n"
         "                       (live mode)\n"
         "  --dump-record FILE   write the last sampled record to FILE (live mode)\n"
         "  --right              fill SIZE on the left, as right-aligned labels do\n"
         "  --plain              strip the label markup (<B>, <C:...>, ...) from the output\n"
         "  --list-sensors       print every sensor as chip/label, value and unit, one a\n"
         "                       line, separated by tabs; takes no TEXT\n"
         "  -h, --help           show this text\n"
         "\n"
         "Without --record or --connect, this machine is sampled. --i3bar, --waybar and\n"
         "--json refresh every second and run until stopped; with --connect they keep\n"
         "showing the last figures while the link is down, and reconnect.\n"
         "Errors go to standard error with exit status 2.\n";
}

}  // namespace dravel
