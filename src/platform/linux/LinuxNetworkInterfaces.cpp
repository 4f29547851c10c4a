// Interfaces from /proc/net/dev (this process's network namespace) with their state from
// /sys/class/net: "flags" (IFF_UP, IFF_LOOPBACK), "ifindex", "iflink" (the interface it
// is stacked on, or a veth end's peer), "device" (a bus device behind it), "brport" (a
// bridge port) and "bonding_slave" (a bond member).

#include <sys/stat.h>

#include <charconv>

#include "platform/NetworkInterfaces.h"
#include "platform/linux/FileText.h"
#include "platform/linux/ProcText.h"

namespace dravel {
namespace {

constexpr std::uint64_t FlagUp = 0x1;        // IFF_UP
constexpr std::uint64_t FlagLoopback = 0x8;  // IFF_LOOPBACK

bool Exists(const std::string& Path) {
  struct stat Info {};
  return ::lstat(Path.c_str(), &Info) == 0;
}

class TLinuxNetworkInterfaces final : public INetworkInterfaces {
 public:
  explicit TLinuxNetworkInterfaces(const std::string& Root)
      : FNetDev(Root + "/proc/net/dev"), FClass(Root + "/sys/class/net/") {}

  std::vector<TNetworkInterface> List() override {
    std::vector<TNetworkInterface> Out;
    if (!ReadTextFile(FNetDev, FText)) return Out;
    for (TNetCounters& Counters : ParseNetDev(FText)) {
      TNetworkInterface Interface;
      Interface.Name = std::move(Counters.Name);
      Interface.Received = Counters.Received;
      Interface.Sent = Counters.Sent;
      Describe(Interface);
      Out.push_back(std::move(Interface));
    }
    return Out;
  }

 private:
  std::optional<std::uint64_t> Number(const std::string& Path, int Base) {
    if (!ReadTextFile(Path, FText)) return std::nullopt;
    std::string_view Text(FText);
    if (Base == 16 && Text.starts_with("0x")) Text.remove_prefix(2);
    std::uint64_t Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value, Base);
    if (Error != std::errc{} || End == Text.data()) return std::nullopt;
    return Value;
  }

  void Describe(TNetworkInterface& Interface) {
    const std::string Folder = FClass + Interface.Name;
    const auto Flags = Number(Folder + "/flags", 16);
    Interface.Loopback = Interface.Name == "lo";
    if (!Flags) {
      // Listed by the kernel but missing from /sys: a sysfs mounted in another network
      // namespace. Counted, as nothing says otherwise.
      Interface.Up = true;
      return;
    }
    Interface.Up = (*Flags & FlagUp) != 0;
    Interface.Loopback = Interface.Loopback || (*Flags & FlagLoopback) != 0;
    Interface.Index = static_cast<std::uint32_t>(Number(Folder + "/ifindex", 10).value_or(0));
    const std::uint64_t Link = Number(Folder + "/iflink", 10).value_or(0);
    Interface.Physical = Exists(Folder + "/device");
    Interface.CountedElsewhere = (Link != 0 && Link != Interface.Index) ||
                                 Exists(Folder + "/brport") || Exists(Folder + "/bonding_slave");
  }

  const std::string FNetDev;
  const std::string FClass;
  std::string FText;  // file text, reused
};

}  // namespace

std::unique_ptr<INetworkInterfaces> MakeNetworkInterfaces(const std::string& Root) {
  return std::make_unique<TLinuxNetworkInterfaces>(Root);
}

}  // namespace dravel
