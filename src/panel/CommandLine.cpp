#include "panel/CommandLine.h"

#include "remote/PortText.h"

namespace dravel {

namespace {

std::string LowerAscii(std::string Text) {
  for (char& C : Text) {
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  }
  return Text;
}

}  // namespace

TEntryScan EntryScan(const std::vector<std::string>& Args) {
  TEntryScan Scan;
  for (const std::string& Arg : Args) {
    if (Arg == "-c" || Arg == "-C") {
      Scan.SkipSingleInstance = true;
    } else if (Arg == "-?") {
      Scan.ShowHelp = true;
      break;
    }
  }
  return Scan;
}

TCommandLine WindowScan(const std::vector<std::string>& Args) {
  TCommandLine Line;
  for (const std::string& Raw : Args) {
    const std::string Arg = LowerAscii(Raw);
    const std::string Value = Arg.size() > 2 ? Arg.substr(2) : std::string();
    const auto Starts = [&Arg](const char* Switch) { return Arg.rfind(Switch, 0) == 0; };
    if (Arg == "-c") Line.ClientSwitch = true;
    if (Starts("-p")) {
      // A port no socket can use counts as "not an integer" too.
      Line.Port = PortFromText(Value).value_or(DefaultLinkPort);
    }
    if (Starts("-i")) Line.Host = Value;
    if (Starts("-d")) Line.Password = Value;
    if (Starts("-h")) Line.HideTrayIcon = true;
    if (Starts("-l")) ++Line.LockToggles;
  }
  return Line;
}

}  // namespace dravel
