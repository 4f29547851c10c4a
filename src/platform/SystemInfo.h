#pragma once
// System figures besides the performance data: memory status, the host's addresses,
// drive space, computer and user name, and the local date and time.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dravel {

struct TMemoryStatus {
  std::uint64_t TotalPhys = 0;
  std::uint64_t AvailPhys = 0;
  std::uint64_t TotalPageFile = 0;
  std::uint64_t AvailPageFile = 0;
};

struct TDiskSpace {
  std::uint64_t FreeToCaller = 0;
  std::uint64_t Total = 0;
};

using TIPv4Address = std::array<std::uint8_t, 4>;

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;
  virtual bool MemoryStatus(TMemoryStatus& Status) = 0;
  // The host's IPv4 addresses in the system's order; empty when there is none.
  virtual std::vector<TIPv4Address> HostAddresses() = 0;
  // Space of the drive with this upper-case letter; false when there is no such drive.
  virtual bool DiskFreeSpace(char Letter, TDiskSpace& Space) = 0;
  // Names in code page 1252 (characters it lacks become "?"), untrimmed. The computer
  // name is the host name up to its first dot.
  virtual std::string ComputerName() = 0;
  virtual std::string UserName() = 0;
  // The local date and time as a day count since 1899-12-30, time of day as fraction.
  virtual double LocalDateTime() = 0;
};

// The running system's figures; files are read under Root (empty for this machine).
std::unique_ptr<ISystemInfo> MakeSystemInfo(const std::string& Root = {});

}  // namespace dravel
