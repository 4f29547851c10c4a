#pragma once
// The machine's network interfaces with their byte counters, and the set of them whose
// traffic the network figures count.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dravel {

struct TNetworkInterface {
  std::string Name;         // as the system gives it (UTF-8)
  std::uint32_t Index = 0;  // the interface index; 0 when unknown
  bool Up = false;          // switched on
  bool Loopback = false;
  bool Physical = false;  // backed by a device on a bus
  // Its traffic is counted on another interface as well: a veth end, an interface stacked
  // on another one (VLAN, macvlan), a port of a bridge or a member of a bond.
  bool CountedElsewhere = false;
  std::uint64_t Received = 0;  // bytes
  std::uint64_t Sent = 0;      // bytes
};

class INetworkInterfaces {
 public:
  virtual ~INetworkInterfaces() = default;
  // Every interface the system lists, in no particular order.
  virtual std::vector<TNetworkInterface> List() = 0;
};

// The interfaces the figures count, in their stable order: those that are up, neither
// loopback nor counted elsewhere, and any interface named in Chosen whatever its state;
// physical interfaces first, then the rest, each by interface index.
std::vector<TNetworkInterface> CountedInterfaces(std::vector<TNetworkInterface> All,
                                                 const std::vector<std::string>& Chosen);

// The interfaces of /proc/net/dev under Root, described by Root + "/sys/class/net"; Root
// is empty for this machine.
std::unique_ptr<INetworkInterfaces> MakeNetworkInterfaces(const std::string& Root = {});

}  // namespace dravel
