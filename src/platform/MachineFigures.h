#pragma once
// The machine's figures by name, read at the moment they are asked for: every processor's
// time by mode, the process and thread counts, boot and up time, memory and swap, and
// every file system a drive letter can map to. What a metrics scrape reports, apart from
// the network interfaces and sensors, which have interfaces of their own.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

// The modes of processor time, in the order of TProcessorModeTimes::Seconds.
inline constexpr std::array<std::string_view, 8> CpuModes{
    "user", "nice", "system", "idle", "iowait", "irq", "softirq", "steal"};

struct TProcessorModeTimes {
  std::string Cpu;  // "0", "1", ...
  std::array<double, CpuModes.size()> Seconds{};
};

struct TMemoryFigures {
  std::uint64_t TotalBytes = 0;
  std::uint64_t AvailableBytes = 0;
  std::uint64_t SwapTotalBytes = 0;
  std::uint64_t SwapFreeBytes = 0;
};

struct TFileSystemFigures {
  std::string MountPoint;
  std::string Device;
  std::string FsType;
  std::uint64_t SizeBytes = 0;
  std::uint64_t AvailBytes = 0;  // free to unprivileged users
};

class IMachineFigures {
 public:
  virtual ~IMachineFigures() = default;
  // Each figure is empty (or an empty list) while it cannot be read.
  virtual std::vector<TProcessorModeTimes> CpuTimes() = 0;
  virtual std::optional<std::uint32_t> Processes() = 0;
  virtual std::optional<std::uint32_t> Threads() = 0;
  virtual std::optional<double> BootTime() = 0;  // seconds since the epoch
  virtual std::optional<double> Uptime() = 0;    // seconds
  virtual std::optional<TMemoryFigures> Memory() = 0;
  // The file systems in drive-letter order, those statvfs can read.
  virtual std::vector<TFileSystemFigures> FileSystems() = 0;
};

// The figures of /proc and the mounted file systems under Root; Root is empty for this
// machine.
std::unique_ptr<IMachineFigures> MakeMachineFigures(const std::string& Root = {});

}  // namespace dravel
