#pragma once
// Readers of the kernel's text files under /proc. Each takes the file's text, so the
// readers can be checked against fixture text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemInfo.h"

namespace dravel {

struct TCpuTicks {
  std::uint64_t Idle;   // idle + iowait
  std::uint64_t Total;  // user, nice, system, idle, iowait, irq, softirq and steal
  bool operator==(const TCpuTicks&) const = default;
};
// /proc/stat: the clock ticks of each processor line "cpuN", in listed order.
std::vector<TCpuTicks> ParseCpuTicks(std::string_view ProcStat);

struct TProcessTimes {
  std::string Name;          // the command name, cut by the kernel at 15 characters
  std::uint64_t CpuTicks;    // user + system clock ticks
  std::uint64_t StartTicks;  // when it started, in clock ticks after boot
};
// /proc/<pid>/stat; empty when the text is not such a line.
std::optional<TProcessTimes> ParseProcessStat(std::string_view PidStat);

// The full name of a process: the base name of its executable (ExeLink, the target of
// /proc/<pid>/exe), else of the first word of its command line (/proc/<pid>/cmdline),
// else Comm. A candidate is taken only when it begins with Comm, the kernel's own cut of
// the name: otherwise Comm names something else, such as the script an interpreter runs
// or a name the program gave itself.
std::string FullProcessName(std::string_view ExeLink, std::string_view CmdLine,
                            std::string_view Comm);

struct TNetCounters {
  std::string Name;
  std::uint64_t Received;
  std::uint64_t Sent;
};
// /proc/net/dev: the interfaces in listed order.
std::vector<TNetCounters> ParseNetDev(std::string_view NetDev);

// /proc/meminfo: RAM total = MemTotal, RAM free = MemAvailable, page file total =
// MemTotal + SwapTotal, page file free = MemAvailable + SwapFree, in bytes.
std::optional<TMemoryStatus> ParseMemInfo(std::string_view MemInfo);

// /proc/uptime: the up time in 100 ns units.
std::optional<std::uint64_t> ParseUptime100ns(std::string_view Uptime);

// /proc/loadavg: the number of threads (the total after the "/").
std::optional<std::uint32_t> ParseLoadAvgThreads(std::string_view LoadAvg);

// /proc/stat: the clock ticks of each processor line "cpuN" in listed order, by mode in
// the kernel's order (user, nice, system, idle, iowait, irq, softirq, steal); a mode after
// idle that the line lacks counts 0, a line without idle or with a bad number is left out.
struct TCpuModeTicks {
  std::string Cpu;  // "0", "1", ...
  std::array<std::uint64_t, 8> Ticks{};
};
std::vector<TCpuModeTicks> ParseCpuModeTicks(std::string_view ProcStat);
// /proc/stat: "btime", the boot time in seconds since the epoch.
std::optional<std::uint64_t> ParseBootTime(std::string_view ProcStat);

// /proc/meminfo as the kernel states it, in bytes.
struct TMemInfo {
  std::uint64_t MemTotal = 0;
  std::uint64_t MemAvailable = 0;
  std::uint64_t SwapTotal = 0;
  std::uint64_t SwapFree = 0;
};
// Empty without MemTotal and MemAvailable; missing swap lines count 0.
std::optional<TMemInfo> ParseMemInfoBytes(std::string_view MemInfo);

// /proc/self/mountinfo: the file systems that carry drive letters, with their source
// device and type. The first is "C" and always "/"; D, E, ... are the other file systems
// on block devices in mount order, leaving out snaps, pseudo file systems and second
// mounts of the same device.
struct TDriveMount {
  std::string Point;
  std::string Device;  // the mount source ("/dev/sda1"); empty when "/" is not listed
  std::string FsType;
};
std::vector<TDriveMount> DriveMounts(std::string_view MountInfo);
// /proc/self/mountinfo: the mount points that carry drive letters. The first is "C" and
// always "/"; D, E, ... are the other file systems on block devices in mount order,
// leaving out snaps, pseudo file systems and second mounts of the same device.
std::vector<std::string> DriveMountPoints(std::string_view MountInfo);
// The mount point of a drive letter in that list; empty when the letter maps to nothing.
std::string MountPointOfDrive(const std::vector<std::string>& MountPoints, char Letter);

}  // namespace dravel
