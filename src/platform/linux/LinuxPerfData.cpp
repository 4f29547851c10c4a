#include "platform/linux/LinuxPerfData.h"

#include <dirent.h>
#include <unistd.h>

#include <ctime>
#include <memory>

#include "platform/linux/FileText.h"

namespace dravel {
namespace {

constexpr std::uint64_t HundredNsPerSecond = 10'000'000;
constexpr std::int64_t FileTimeOfUnixEpoch = 116'444'736'000'000'000;

std::int64_t Clock100ns(clockid_t Clock) {
  timespec Now{};
  ::clock_gettime(Clock, &Now);
  return static_cast<std::int64_t>(Now.tv_sec) * static_cast<std::int64_t>(HundredNsPerSecond) +
         Now.tv_nsec / 100;
}

std::uint64_t TicksTo100ns(std::uint64_t Ticks, long TicksPerSecond) {
  const auto PerTick =
      HundredNsPerSecond / static_cast<std::uint64_t>(TicksPerSecond > 0 ? TicksPerSecond : 100);
  return Ticks * PerTick;
}

long TicksPerSecond() { return ::sysconf(_SC_CLK_TCK); }

// The numeric entries of /proc, one per process.
template <typename Visit>
void ForEachProcess(Visit&& Process) {
  const std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir("/proc"), ::closedir);
  if (!Dir) return;
  while (const dirent* Entry = ::readdir(Dir.get())) {
    const char* Name = Entry->d_name;
    if (*Name < '1' || *Name > '9') continue;
    Process(Name);
  }
}

}  // namespace

TPerfObjectDesc ProcessorObject(const std::vector<std::uint64_t>& IdleTicks, long PerSecond) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::Processor;
  Object.Counters = {{PerfIndex::ProcessorTime, 8, PerfCounterType::Timer100nsInverse}};
  std::uint64_t Sum = 0;
  for (std::size_t I = 0; I < IdleTicks.size(); ++I) {
    const std::uint64_t Idle = TicksTo100ns(IdleTicks[I], PerSecond);
    Sum += Idle;
    Object.Instances.push_back({Utf8ToUtf16(std::to_string(I)), {Idle}});
  }
  const std::uint64_t Mean = IdleTicks.empty() ? 0 : Sum / IdleTicks.size();
  Object.Instances.push_back({u"_Total", {Mean}});
  return Object;
}

TPerfObjectDesc ProcessObject(const std::vector<TProcessTimes>& Processes, long PerSecond) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::Process;
  Object.Counters = {{PerfIndex::ProcessorTime, 8, PerfCounterType::Timer100ns}};
  for (const auto& Process : Processes) {
    Object.Instances.push_back(
        {Utf8ToUtf16(Process.Name), {TicksTo100ns(Process.CpuTicks, PerSecond)}});
  }
  return Object;
}

TPerfObjectDesc NetworkObject(const std::vector<TNetworkInterface>& Interfaces) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::NetworkInterface;
  Object.Counters = {{PerfIndex::BytesReceived, 8, PerfCounterType::BulkCount},
                     {PerfIndex::BytesSent, 8, PerfCounterType::BulkCount}};
  for (const auto& Interface : Interfaces) {
    Object.Instances.push_back({Utf8ToUtf16(Interface.Name), {Interface.Received, Interface.Sent}});
  }
  return Object;
}

TPerfObjectDesc SystemObject(std::int64_t NowFileTime, std::uint64_t Uptime100ns,
                             std::uint32_t Processes, std::uint32_t Threads) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::System;
  Object.PerfTime = NowFileTime;
  Object.PerfFreq = static_cast<std::int64_t>(HundredNsPerSecond);
  Object.WithInstances = false;
  Object.Counters = {{PerfIndex::SystemUpTime, 8, PerfCounterType::ElapsedTime},
                     {PerfIndex::Processes, 4, PerfCounterType::RawCount},
                     {PerfIndex::Threads, 4, PerfCounterType::RawCount}};
  Object.Values = {static_cast<std::uint64_t>(NowFileTime) - Uptime100ns, Processes, Threads};
  return Object;
}

TLinuxPerfDataSource::TLinuxPerfDataSource() : FInterfaces(MakeNetworkInterfaces()) {}

std::uint32_t TLinuxPerfDataSource::QueryValue(std::string_view ValueName,
                                               std::span<std::uint8_t> Buffer,
                                               std::size_t& Written) {
  if (FPendingName != ValueName) {
    FPending = BuildBlock(ValueName);
    FPendingName = ValueName;
  }
  const std::uint32_t Result = CopyPerfBlock(FPending, Buffer, Written);
  if (Result == ErrorSuccess) FPendingName.clear();
  return Result;
}

std::vector<std::uint8_t> TLinuxPerfDataSource::BuildBlock(std::string_view ValueName) {
  TPerfBlockDesc Desc;
  Desc.PerfTime = Clock100ns(CLOCK_MONOTONIC);
  Desc.PerfFreq = static_cast<std::int64_t>(HundredNsPerSecond);
  Desc.PerfTime100nSec = Desc.PerfTime;
  const long PerSecond = TicksPerSecond();
  if (ValueName == "238") {
    ReadTextFile("/proc/stat", FText);
    Desc.Objects.push_back(ProcessorObject(ParseCpuIdleTicks(FText), PerSecond));
  } else if (ValueName == "230") {
    std::vector<TProcessTimes> Processes;
    ForEachProcess([&](const char* Pid) {
      if (!ReadTextFile(std::string("/proc/") + Pid + "/stat", FText)) return;
      if (auto Times = ParseProcessStat(FText)) Processes.push_back(std::move(*Times));
    });
    Desc.Objects.push_back(ProcessObject(Processes, PerSecond));
  } else if (ValueName == "638") {
    Desc.Objects.push_back(NetworkObject(CountedInterfaces(FInterfaces->List(), FAdapters)));
  } else if (ValueName == "2") {
    std::uint32_t Processes = 0;
    ForEachProcess([&](const char*) { ++Processes; });
    ReadTextFile("/proc/loadavg", FText);
    const std::uint32_t Threads = ParseLoadAvgThreads(FText).value_or(0);
    ReadTextFile("/proc/uptime", FText);
    const std::uint64_t Uptime = ParseUptime100ns(FText).value_or(0);
    const std::int64_t Now = Clock100ns(CLOCK_REALTIME) + FileTimeOfUnixEpoch;
    Desc.Objects.push_back(SystemObject(Now, Uptime, Processes, Threads));
  }
  return BuildPerfBlock(Desc);
}

std::unique_ptr<IPerfDataSource> MakePerfDataSource() {
  return std::make_unique<TLinuxPerfDataSource>();
}

}  // namespace dravel
