#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/CodePage.h"
#include "platform/SystemInfo.h"
#include "platform/linux/FileText.h"
#include "platform/linux/ProcText.h"

namespace dravel {
namespace {

constexpr double SecondsPerDay = 86400.0;
constexpr double DaysFrom1899To1970 = 25569.0;

TIPv4Address Octets(const in_addr& Address) {
  TIPv4Address Out{};
  std::memcpy(Out.data(), &Address.s_addr, 4);  // network order is dotted order
  return Out;
}

// The addresses bound to interfaces that are up, loopback left out.
std::vector<TIPv4Address> InterfaceAddresses() {
  std::vector<TIPv4Address> Out;
  ifaddrs* List = nullptr;
  if (::getifaddrs(&List) != 0) return Out;
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> Owner(List, ::freeifaddrs);
  for (const ifaddrs* Entry = List; Entry; Entry = Entry->ifa_next) {
    if (!Entry->ifa_addr || Entry->ifa_addr->sa_family != AF_INET) continue;
    if (!(Entry->ifa_flags & IFF_UP) || (Entry->ifa_flags & IFF_LOOPBACK)) continue;
    Out.push_back(Octets(reinterpret_cast<const sockaddr_in*>(Entry->ifa_addr)->sin_addr));
  }
  return Out;
}

std::string HostName() {
  std::array<char, 256> Name{};
  if (::gethostname(Name.data(), Name.size() - 1) != 0) return {};
  return Name.data();
}

std::vector<TIPv4Address> HostNameAddresses() {
  std::vector<TIPv4Address> Out;
  addrinfo Hints{};
  Hints.ai_family = AF_INET;
  Hints.ai_socktype = SOCK_STREAM;
  addrinfo* List = nullptr;
  const std::string Name = HostName();
  if (Name.empty() || ::getaddrinfo(Name.c_str(), nullptr, &Hints, &List) != 0) return Out;
  const std::unique_ptr<addrinfo, void (*)(addrinfo*)> Owner(List, ::freeaddrinfo);
  for (const addrinfo* Entry = List; Entry; Entry = Entry->ai_next) {
    Out.push_back(Octets(reinterpret_cast<const sockaddr_in*>(Entry->ai_addr)->sin_addr));
  }
  return Out;
}

class TLinuxSystemInfo final : public ISystemInfo {
 public:
  explicit TLinuxSystemInfo(const std::string& Root) : FRoot(Root) {}

  bool MemoryStatus(TMemoryStatus& Status) override {
    if (!ReadTextFile(FRoot + "/proc/meminfo", FText)) return false;
    const auto Parsed = ParseMemInfo(FText);
    if (Parsed) Status = *Parsed;
    return Parsed.has_value();
  }

  std::vector<TIPv4Address> HostAddresses() override {
    auto Addresses = InterfaceAddresses();
    return Addresses.empty() ? HostNameAddresses() : Addresses;
  }

  bool DiskFreeSpace(char Letter, TDiskSpace& Space) override {
    if (!ReadTextFile(FRoot + "/proc/self/mountinfo", FText)) return false;
    const std::string Point = MountPointOfDrive(DriveMountPoints(FText), Letter);
    struct statvfs Info {};
    if (Point.empty() || ::statvfs((FRoot + Point).c_str(), &Info) != 0) return false;
    Space.FreeToCaller = static_cast<std::uint64_t>(Info.f_bavail) * Info.f_frsize;
    Space.Total = static_cast<std::uint64_t>(Info.f_blocks) * Info.f_frsize;
    return true;
  }

  std::string ComputerName() override {
    const std::string Name = HostName();
    return Utf8ToCp1252(std::string_view(Name).substr(0, Name.find('.')));
  }

  std::string UserName() override {
    std::array<char, 4096> Buffer{};
    passwd Entry{};
    passwd* Found = nullptr;
    if (::getpwuid_r(::geteuid(), &Entry, Buffer.data(), Buffer.size(), &Found) != 0 || !Found) {
      return {};
    }
    return Utf8ToCp1252(Found->pw_name);
  }

  double LocalDateTime() override {
    timespec Now{};
    ::clock_gettime(CLOCK_REALTIME, &Now);
    tm Local{};
    const time_t Seconds = Now.tv_sec;
    ::localtime_r(&Seconds, &Local);
    const double LocalSeconds = static_cast<double>(Seconds + Local.tm_gmtoff) + Now.tv_nsec / 1e9;
    return LocalSeconds / SecondsPerDay + DaysFrom1899To1970;
  }

 private:
  const std::string FRoot;
  std::string FText;
};

}  // namespace

std::unique_ptr<ISystemInfo> MakeSystemInfo(const std::string& Root) {
  return std::make_unique<TLinuxSystemInfo>(Root);
}

}  // namespace dravel
