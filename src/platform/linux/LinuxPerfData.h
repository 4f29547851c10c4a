#pragma once
// The performance objects this program reads, made from /proc figures.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/NetworkInterfaces.h"
#include "platform/PerfBlockBuilder.h"
#include "platform/PerfData.h"
#include "platform/linux/CpuIdleClock.h"
#include "platform/linux/ProcText.h"

namespace dravel {

// Instances "0".."n-1" and "_Total", counter 6 the idle time in 100 ns; "_Total"
// carries the mean over the processors.
TPerfObjectDesc ProcessorObject(const std::vector<std::uint64_t>& Idle100ns);
// One instance per process named by its full name; the first counter its processor time.
TPerfObjectDesc ProcessObject(const std::vector<TProcessTimes>& Processes, long TicksPerSecond);
// One instance per interface, in the given order; 264 and 506 as 64-bit byte counters.
TPerfObjectDesc NetworkObject(const std::vector<TNetworkInterface>& Interfaces);
// No instances; 674 is the boot moment in the object's time base (100 ns since 1601). A
// figure that could not be read leaves its counter out, so the record keeps its value.
TPerfObjectDesc SystemObject(std::int64_t NowFileTime, std::optional<std::uint64_t> Uptime100ns,
                             std::optional<std::uint32_t> Processes,
                             std::optional<std::uint32_t> Threads);

class TLinuxPerfDataSource final : public IPerfDataSource {
 public:
  // The files under Root + "/proc"; Root is empty for this machine.
  explicit TLinuxPerfDataSource(std::string Root = {});
  std::uint32_t QueryValue(std::string_view ValueName, std::span<std::uint8_t> Buffer,
                           std::size_t& Written) override;
  void ChooseAdapters(const std::vector<std::string>& Names) override { FAdapters = Names; }

 private:
  struct TKnownProcess {
    std::uint64_t StartTicks = 0;
    std::string Name;
  };

  std::vector<std::uint8_t> BuildBlock(std::string_view ValueName);
  std::vector<TProcessTimes> Processes();
  std::string FullName(const std::string& Pid, const TProcessTimes& Times);

  const std::string FRoot;
  const std::unique_ptr<INetworkInterfaces> FInterfaces;
  std::vector<std::string> FAdapters;
  // A block that did not fit is kept for the caller's next, larger attempt, so that
  // growing the buffer does not read /proc again for every step.
  std::string FPendingName;
  std::vector<std::uint8_t> FPending;
  std::string FText;  // file text, reused
  TCpuIdleClock FCpuIdle;
  // Full names by process id, kept while the same process (by its start) runs, so that
  // each process's executable and command line are read once.
  std::unordered_map<std::string, TKnownProcess> FKnown;
};

}  // namespace dravel
