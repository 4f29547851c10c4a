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
    } else if (Arg == "--help") {
      Scan.ShowUsage = true;
      break;
    } else if (Arg == "--version") {
      Scan.ShowVersion = true;
      break;
    }
  }
  return Scan;
}

std::string ProgramUsage() {
  return "Usage: dravel [SWITCH]...\n"
         "A desktop system-information panel: live figures about this machine, or about\n"
         "a server's, in a small borderless window. Everything else is in its menu, which\n"
         "opens from the tray icon, or with a right click on the panel while the desktop\n"
         "has no notification area.\n"
         "\n"
         "  -c, -C        client mode: show the figures of the server named with -i\n"
         "  -i<HOST>      the server to connect to: an IP address or a DNS name\n"
         "  -p<PORT>      the server's port (6130 when absent or not a number)\n"
         "  -d<PASSWORD>  the link password (used in lower case)\n"
         "  -h            do not add the tray icon at start\n"
         "  -l            start with Lock Form ticked (each -l toggles it)\n"
         "  -?            write the page on remote monitoring and open it\n"
         "      --help    show this text and exit\n"
         "      --version show the version and exit\n"
         "      --serve   run as a headless server without a display (--link-port N,\n"
         "                --web-port N, --password-file FILE, --interval MS, --settings FILE,\n"
         "                --listen ADDR, --allow LIST, --secure-only)\n"
         "      --listen ADDR  the servers listen on ADDR only (IPv4 or IPv6)\n"
         "      --allow LIST   the servers accept only these addresses and CIDR ranges\n"
         "      --secure  client mode: prove the link password to the server and have it\n"
         "                prove it back, then exchange sealed frames (the server needs it on)\n"
         "\n"
         "Values follow their switch without a blank, e.g. dravel -c -i10.11.12.13 -p6130\n"
         "Settings: ${XDG_CONFIG_HOME:-~/.config}/dravel/registry.db\n"
         "Only one panel runs per login: starting another brings back the first one's\n"
         "tray icon. See dravel(1).\n";
}

std::string ProgramVersion() { return "Dravel " + std::to_string(ProgramVersionNumber) + "\n"; }

TCommandLine WindowScan(const std::vector<std::string>& Args) {
  TCommandLine Line;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& Raw = Args[I];
    if (Raw == "--secure") {
      Line.Secure = true;
      continue;
    }
    if (auto* Long = Raw.starts_with("--listen") ? &Line.Listen : Raw.starts_with("--allow") ? &Line.Allow : nullptr) {
      const std::string Name = Long == &Line.Listen ? "--listen" : "--allow";
      if (Raw == Name) {
        if (I + 1 < Args.size()) *Long = Args[++I];
        continue;
      }
      if (Raw.rfind(Name + "=", 0) == 0) {
        *Long = Raw.substr(Name.size() + 1);
        continue;
      }
    }
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
