#pragma once
// The program's two readings of its command line: the entry scan before any window
// exists, and the window scan while the main window is set up.

#include <optional>
#include <string>
#include <vector>

#include "monitor/ProgramSettings.h"

namespace dravel {

inline constexpr int DefaultLinkPort = 6130;

struct TEntryScan {
  bool SkipSingleInstance = false;  // "-c" or "-C": any number of client copies may run
  bool ShowHelp = false;            // "-?": write and open the help page, then end
  bool ShowUsage = false;           // "--help": print the usage, then end
  bool ShowVersion = false;         // "--version": print the version, then end
};

// Exact, case-sensitive comparison of whole arguments; stops at the first of "-?",
// "--help" and "--version".
TEntryScan EntryScan(const std::vector<std::string>& Args);

// What "--help" and "--version" print on standard output.
std::string ProgramUsage();
std::string ProgramVersion();

struct TCommandLine {
  bool ClientSwitch = false;  // "-c"; client mode needs a host as well
  std::string Host;           // "-i", lower-cased
  int Port = DefaultLinkPort; // "-p", 6130 when not an integer
  std::string Password;       // "-d", lower-cased
  bool HideTrayIcon = false;  // "-h"
  int LockToggles = 0;        // "-l", once per occurrence
  std::optional<std::string> Listen;  // "--listen ADDR" or "--listen=ADDR", as given
  std::optional<std::string> Allow;   // "--allow LIST" or "--allow=LIST", as given
  bool Secure = false;  // "--secure": the client authenticates itself and its server
};

// Each argument lower-cased (A-Z only); "-c" matches exactly, the others as prefixes,
// and every argument is tested against every switch. The long options "--listen" and
// "--allow" take their value after "=" or as the next argument, unchanged; "--secure"
// matches exactly.
TCommandLine WindowScan(const std::vector<std::string>& Args);

}  // namespace dravel
