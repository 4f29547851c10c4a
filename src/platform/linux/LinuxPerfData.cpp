#include "platform/linux/LinuxPerfData.h"

#include <unistd.h>

#include <array>
#include <ctime>
#include <memory>

#include "platform/linux/FileText.h"
#include "platform/linux/ProcessFolders.h"

namespace dravel {
namespace {

constexpr std::uint64_t HundredNsPerSecond = 10'000'000;
constexpr std::int64_t FileTimeOfUnixEpoch = 116'444'736'000'000'000;
// Enough of a command line for its first word.
constexpr std::size_t CmdLineLimit = 4096;

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

std::string ReadLink(const std::string& Path) {
  std::array<char, 4096> Target{};
  const ssize_t Length = ::readlink(Path.c_str(), Target.data(), Target.size());
  return Length > 0 ? std::string(Target.data(), static_cast<std::size_t>(Length)) : std::string{};
}

}  // namespace

TPerfObjectDesc ProcessorObject(const std::vector<std::uint64_t>& Idle100ns) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::Processor;
  Object.Counters = {{PerfIndex::ProcessorTime, 8, PerfCounterType::Timer100nsInverse}};
  std::uint64_t Sum = 0;
  for (std::size_t I = 0; I < Idle100ns.size(); ++I) {
    Sum += Idle100ns[I];
    Object.Instances.push_back({Utf8ToUtf16(std::to_string(I)), {Idle100ns[I]}});
  }
  const std::uint64_t Mean = Idle100ns.empty() ? 0 : Sum / Idle100ns.size();
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

TPerfObjectDesc SystemObject(std::int64_t NowFileTime, std::optional<std::uint64_t> Uptime100ns,
                             std::optional<std::uint32_t> Processes,
                             std::optional<std::uint32_t> Threads) {
  TPerfObjectDesc Object;
  Object.NameIndex = PerfIndex::System;
  Object.PerfTime = NowFileTime;
  Object.PerfFreq = static_cast<std::int64_t>(HundredNsPerSecond);
  Object.WithInstances = false;
  if (Uptime100ns) {
    Object.Counters.push_back({PerfIndex::SystemUpTime, 8, PerfCounterType::ElapsedTime});
    Object.Values.push_back(static_cast<std::uint64_t>(NowFileTime) - *Uptime100ns);
  }
  if (Processes) {
    Object.Counters.push_back({PerfIndex::Processes, 4, PerfCounterType::RawCount});
    Object.Values.push_back(*Processes);
  }
  if (Threads) {
    Object.Counters.push_back({PerfIndex::Threads, 4, PerfCounterType::RawCount});
    Object.Values.push_back(*Threads);
  }
  return Object;
}

TLinuxPerfDataSource::TLinuxPerfDataSource(std::string Root)
    : FRoot(std::move(Root)), FInterfaces(MakeNetworkInterfaces(FRoot)) {}

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

std::string TLinuxPerfDataSource::FullName(const std::string& Pid, const TProcessTimes& Times) {
  const std::string Folder = FRoot + "/proc/" + Pid;
  std::string CmdLine;
  ReadTextFile(Folder + "/cmdline", CmdLine, CmdLineLimit);
  return FullProcessName(ReadLink(Folder + "/exe"), CmdLine, Times.Name);
}

std::vector<TProcessTimes> TLinuxPerfDataSource::Processes() {
  std::vector<TProcessTimes> Processes;
  std::unordered_map<std::string, TKnownProcess> Known;
  ForEachProcess(FRoot + "/proc", [&](const std::string& Pid) {
    if (!ReadTextFile(FRoot + "/proc/" + Pid + "/stat", FText)) return;
    auto Times = ParseProcessStat(FText);
    if (!Times) return;
    const auto Found = FKnown.find(Pid);
    TKnownProcess Process;
    if (Found != FKnown.end() && Found->second.StartTicks == Times->StartTicks) {
      Process = std::move(Found->second);
    } else {
      Process = {Times->StartTicks, FullName(Pid, *Times)};
    }
    Times->Name = Process.Name;
    Known.emplace(Pid, std::move(Process));
    Processes.push_back(std::move(*Times));
  });
  FKnown = std::move(Known);
  return Processes;
}

std::vector<std::uint8_t> TLinuxPerfDataSource::BuildBlock(std::string_view ValueName) {
  TPerfBlockDesc Desc;
  Desc.PerfTime = Clock100ns(CLOCK_MONOTONIC);
  Desc.PerfFreq = static_cast<std::int64_t>(HundredNsPerSecond);
  Desc.PerfTime100nSec = Desc.PerfTime;
  const long PerSecond = TicksPerSecond();
  const std::string Proc = FRoot + "/proc/";
  if (ValueName == "238") {
    ReadTextFile(Proc + "stat", FText);
    Desc.Objects.push_back(ProcessorObject(FCpuIdle.Advance(
        ParseCpuTicks(FText), static_cast<std::uint64_t>(Desc.PerfTime100nSec), PerSecond)));
  } else if (ValueName == "230") {
    Desc.Objects.push_back(ProcessObject(Processes(), PerSecond));
  } else if (ValueName == "638") {
    Desc.Objects.push_back(NetworkObject(CountedInterfaces(FInterfaces->List(), FAdapters)));
  } else if (ValueName == "2") {
    std::uint32_t Count = 0;
    const bool Listed = ForEachProcess(FRoot + "/proc", [&](const std::string&) { ++Count; });
    const std::optional<std::uint32_t> Processes = Listed ? std::optional(Count) : std::nullopt;
    const auto Threads =
        ReadTextFile(Proc + "loadavg", FText) ? ParseLoadAvgThreads(FText) : std::nullopt;
    const auto Uptime =
        ReadTextFile(Proc + "uptime", FText) ? ParseUptime100ns(FText) : std::nullopt;
    const std::int64_t Now = Clock100ns(CLOCK_REALTIME) + FileTimeOfUnixEpoch;
    Desc.Objects.push_back(SystemObject(Now, Uptime, Processes, Threads));
  }
  return BuildPerfBlock(Desc);
}

std::unique_ptr<IPerfDataSource> MakePerfDataSource(const std::string& Root) {
  return std::make_unique<TLinuxPerfDataSource>(Root);
}

}  // namespace dravel
