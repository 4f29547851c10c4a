#pragma once
// The sampling pass: refreshes in place the blocks of the record whose formatters are
// active, from the performance data, the memory status, the host's addresses, drives and
// names, and the hardware-monitor sensors, then runs the render.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PerfData.h"
#include "platform/SystemInfo.h"
#include "sampling/ActiveFamilies.h"
#include "sampling/MBMReader.h"
#include "sampling/PerfBlockReader.h"
#include "sampling/RawData.h"

namespace dravel {

// The warning shown when the performance data could not be read.
inline constexpr std::string_view PerfDataFailureText =
    "Your computer just reported an access violation when trying to read the performance "
    "counters. This is typically caused by the performance counters being disabled, and often "
    "affects the network stats in particular. To fix this problem, you will need to download "
    "extctrlst.exe from Microsoft's website, locate the disabled counter, and click the "
    "check-box to re-enable it. Vantor will close itself now. Would you like to be directed to "
    "the Microsoft website in question?";

class TSampler {
 public:
  static constexpr std::size_t ProcessSlots = 10;
  static constexpr std::uint32_t InitialQuerySize = 1024;

  TSampler(TRawDataShell& Shell, IPerfDataSource& PerfData, ISystemInfo& System, TMBMReader& MBM);

  // One pass; Forced refreshes the host block at once. Does not take Shell.Guard.
  void SamplePass(const TActiveFamilies& Active, bool Forced);

  std::int64_t CurrentUptime() const { return FCurrentUptime; }
  // The update timer's interval in milliseconds, which the rates are taken over.
  void SetInterval(std::uint32_t Milliseconds);
  std::uint32_t Interval() const { return FInterval; }
  // Sets ExcludeText and parses ExcludeList from it.
  void SetExcludeText(std::string Text);
  // The interfaces that take adapter slots 1-4, in that order; an empty name, or no name,
  // leaves its slot to the next counted interface. The performance data is told to list
  // them whatever their state.
  void SetAdapters(std::vector<std::string> Names);
  const std::vector<std::string>& Adapters() const { return FAdapters; }
  const std::string& ExcludeText() const { return FExcludeText; }
  const std::vector<std::string>& ExcludeList() const { return FExcludeList; }
  std::int8_t PassCounter() const { return FPassCounter; }

  // Run at the end of every pass that gathered without failure (the main window's
  // RenderLabels).
  std::function<void()> RenderLabels;
  // Run instead of the render when gathering failed; the panel warns with
  // PerfDataFailureText and exits. Unbound, the failure is thrown to the caller.
  std::function<void(const std::exception&)> OnPerfDataFailure;

 private:
  enum TQueryObject : std::size_t { QProcessor, QProcess, QNetwork, QSystem, QCount };

  // One adapter's byte counters at a pass, with the width they wrap at.
  struct TAdapterCounters {
    std::string Name;
    std::optional<std::uint64_t> Received, Sent;
    std::uint64_t ReceivedMask = 0, SentMask = 0;
  };

  TPerfBlockReader Query(TQueryObject Object, std::string_view ValueName);
  void ProcessorBlock();
  void ExclusionStep(float& Overall, std::int32_t Processors);
  void NetworkBlock();
  std::vector<TAdapterCounters> ReadAdapters(const TPerfBlockReader& Block);
  void SystemBlock();
  void MemoryBlock();
  void HostBlock(bool Forced);
  float RatePerSecond(std::uint64_t Bytes) const;

  TRawDataShell& FShell;
  IPerfDataSource& FPerfData;
  ISystemInfo& FSystem;
  TMBMReader& FMBM;

  std::vector<std::uint8_t> FBuffer;
  std::array<std::uint32_t, QCount> FQuerySizes;
  std::int8_t FPassCounter = 9;
  std::uint32_t FInterval = 1000;

  std::int64_t FCurrentTime = 0;
  std::int64_t FPreviousTime = 0;
  std::array<std::uint64_t, 4> FProcCurrent{}, FProcPrevious{};
  std::uint64_t FTotalCurrent = 0, FTotalPrevious = 0;
  std::array<std::uint64_t, ProcessSlots> FExcludeCurrent{}, FExcludePrevious{};

  std::vector<std::string> FAdapters;
  // The counters of the previous network pass, by adapter name.
  std::vector<TAdapterCounters> FPreviousAdapters;

  std::int64_t FCurrentUptime = 0;
  std::string FExcludeText;
  std::vector<std::string> FExcludeList;
  std::vector<std::string> FExcludeKeys;  // trimmed and upper-cased entries
  std::string FName;                      // instance name, reused
};

}  // namespace dravel
