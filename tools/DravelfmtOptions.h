#pragma once
// dravelfmt's command line: what was asked, read into one struct. Each mode takes the
// options it needs; the parser only checks their form.

#include <optional>
#include <string>
#include <vector>

namespace dravel {

// What each refresh becomes on standard output.
enum class TOutputMode { Plain, I3bar, Waybar, Json };

struct TDravelfmtOptions {
  std::string Text;                        // the format text, as typed (locale encoding)
  bool Right = false;                      // --right: fill as right-aligned labels do
  bool Plain = false;                      // --plain: strip the label markup
  bool Help = false;                       // --help / -h
  std::optional<std::string> RecordPath;   // --record FILE ("-" is standard input)
  std::optional<int> IntervalMs;           // --interval MS
  std::optional<int> Count;                // --count N
  std::optional<std::string> DumpRecordPath;  // --dump-record FILE
  std::optional<std::string> ExcludeText;  // --exclude TEXT
  std::optional<std::string> ConnectTarget;   // --connect HOST[:PORT]
  std::optional<std::string> Password;     // --password PW
  bool Secure = false;                     // --secure: the authenticated link (--connect)
  std::optional<std::string> Adapters;     // --adapters LIST
  bool ListSensors = false;                // --list-sensors (takes no TEXT)
  TOutputMode Output = TOutputMode::Plain;  // --i3bar, --waybar, --json
  std::optional<std::string> ClassName;       // --class NAME (--waybar)
  std::optional<std::string> PercentageText;  // --percentage TEXT (--waybar)
};

struct TDravelfmtParse {
  TDravelfmtOptions Options;
  std::string Error;  // empty when the command line is good
};

// Arguments without the program name. "--" ends the options, so a TEXT may begin with "-".
TDravelfmtParse ParseDravelfmtOptions(const std::vector<std::string>& Arguments);

// The usage text printed by --help and after a command-line error.
std::string DravelfmtUsage();

}  // namespace dravel
