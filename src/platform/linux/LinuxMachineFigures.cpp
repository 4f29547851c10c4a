// The machine's figures from /proc/stat, /proc/loadavg, /proc/uptime, /proc/meminfo,
// /proc/self/mountinfo and statvfs, under a root folder.

#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/MachineFigures.h"
#include "platform/linux/FileText.h"
#include "platform/linux/ProcText.h"
#include "platform/linux/ProcessFolders.h"

namespace dravel {
namespace {

class TLinuxMachineFigures final : public IMachineFigures {
 public:
  explicit TLinuxMachineFigures(const std::string& Root) : FRoot(Root), FProc(Root + "/proc/") {}

  std::vector<TProcessorModeTimes> CpuTimes() override {
    std::vector<TProcessorModeTimes> Out;
    if (!ReadTextFile(FProc + "stat", FText)) return Out;
    const long PerSecond = ::sysconf(_SC_CLK_TCK);
    const double TickSeconds = 1.0 / static_cast<double>(PerSecond > 0 ? PerSecond : 100);
    for (const TCpuModeTicks& Cpu : ParseCpuModeTicks(FText)) {
      TProcessorModeTimes Time{Cpu.Cpu, {}};
      for (std::size_t Mode = 0; Mode < Time.Seconds.size(); ++Mode) {
        Time.Seconds[Mode] = static_cast<double>(Cpu.Ticks[Mode]) * TickSeconds;
      }
      Out.push_back(std::move(Time));
    }
    return Out;
  }

  std::optional<std::uint32_t> Processes() override {
    std::uint32_t Count = 0;
    if (!ForEachProcess(FRoot + "/proc", [&](const std::string&) { ++Count; })) return std::nullopt;
    return Count;
  }

  std::optional<std::uint32_t> Threads() override {
    return ReadTextFile(FProc + "loadavg", FText) ? ParseLoadAvgThreads(FText) : std::nullopt;
  }

  std::optional<double> BootTime() override {
    if (!ReadTextFile(FProc + "stat", FText)) return std::nullopt;
    const auto Boot = ParseBootTime(FText);
    return Boot ? std::optional(static_cast<double>(*Boot)) : std::nullopt;
  }

  std::optional<double> Uptime() override {
    if (!ReadTextFile(FProc + "uptime", FText)) return std::nullopt;
    const auto Units = ParseUptime100ns(FText);
    return Units ? std::optional(static_cast<double>(*Units) / 1e7) : std::nullopt;
  }

  std::optional<TMemoryFigures> Memory() override {
    if (!ReadTextFile(FProc + "meminfo", FText)) return std::nullopt;
    const auto Info = ParseMemInfoBytes(FText);
    if (!Info) return std::nullopt;
    return TMemoryFigures{Info->MemTotal, Info->MemAvailable, Info->SwapTotal, Info->SwapFree};
  }

  std::vector<TFileSystemFigures> FileSystems() override {
    std::vector<TFileSystemFigures> Out;
    if (!ReadTextFile(FProc + "self/mountinfo", FText)) return Out;
    for (TDriveMount& Mount : DriveMounts(FText)) {
      struct statvfs Info {};
      if (::statvfs((FRoot + Mount.Point).c_str(), &Info) != 0) continue;
      const std::uint64_t Block = Info.f_frsize ? Info.f_frsize : Info.f_bsize;
      Out.push_back({std::move(Mount.Point), std::move(Mount.Device), std::move(Mount.FsType),
                     static_cast<std::uint64_t>(Info.f_blocks) * Block,
                     static_cast<std::uint64_t>(Info.f_bavail) * Block});
    }
    return Out;
  }

 private:
  const std::string FRoot;
  const std::string FProc;
  std::string FText;  // file text, reused
};

}  // namespace

std::unique_ptr<IMachineFigures> MakeMachineFigures(const std::string& Root) {
  return std::make_unique<TLinuxMachineFigures>(Root);
}

}  // namespace dravel
