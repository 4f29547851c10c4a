#include "service/MetricsPage.h"

#include <algorithm>
#include <chrono>

#include "service/MetricsWriter.h"

namespace dravel {

namespace {

using enum TMetricType;

void WriteProcessors(TMetricsWriter& Out, IMachineFigures& Machine) {
  Out.Family("dravel_cpu_seconds_total", "Seconds each processor spent in each mode.", Counter);
  for (const TProcessorModeTimes& Cpu : Machine.CpuTimes()) {
    for (std::size_t Mode = 0; Mode < CpuModes.size(); ++Mode) {
      Out.Sample({{"cpu", Cpu.Cpu}, {"mode", CpuModes[Mode]}}, Cpu.Seconds[Mode]);
    }
  }
}

void WriteSystem(TMetricsWriter& Out, IMachineFigures& Machine, const TStoredUptimes& Records) {
  Out.Family("dravel_processes", "Number of processes.", Gauge);
  if (const auto Count = Machine.Processes()) Out.Sample(*Count);
  Out.Family("dravel_threads", "Number of threads.", Gauge);
  if (const auto Count = Machine.Threads()) Out.Sample(*Count);
  Out.Family("dravel_boot_time_seconds", "System boot time, in seconds since the epoch.", Gauge);
  if (const auto Boot = Machine.BootTime()) Out.Sample(*Boot);
  const auto Uptime = Machine.Uptime();
  Out.Family("dravel_uptime_seconds", "Time since the system started.", Gauge);
  if (Uptime) Out.Sample(*Uptime);
  // The records as the uptime commands show them: the longest raised to the current up
  // time, the average over the recorded runs (the current up time before any).
  const auto Current = static_cast<std::int64_t>(Uptime.value_or(0));
  Out.Family("dravel_uptime_longest_seconds", "Longest system up time recorded.", Gauge);
  Out.Sample(static_cast<double>(std::max(Records.Longest, Current)));
  Out.Family("dravel_uptime_average_seconds", "Average system up time at the recorded exits.", Gauge);
  Out.Sample(static_cast<double>(Records.Average.value_or(Current)));
}

void WriteMemory(TMetricsWriter& Out, IMachineFigures& Machine) {
  const auto Memory = Machine.Memory();
  const auto Figure = [&](const char* Name, const char* Help, std::uint64_t TMemoryFigures::*Field) {
    Out.Family(Name, Help, Gauge);
    if (Memory) Out.Sample(static_cast<double>((*Memory).*Field));
  };
  Figure("dravel_memory_total_bytes", "Physical memory.", &TMemoryFigures::TotalBytes);
  Figure("dravel_memory_available_bytes", "Physical memory available to programs.",
         &TMemoryFigures::AvailableBytes);
  Figure("dravel_swap_total_bytes", "Swap space.", &TMemoryFigures::SwapTotalBytes);
  Figure("dravel_swap_free_bytes", "Unused swap space.", &TMemoryFigures::SwapFreeBytes);
}

void WriteNetwork(TMetricsWriter& Out, INetworkInterfaces& Network) {
  const auto Counted = CountedInterfaces(Network.List(), {});
  Out.Family("dravel_network_receive_bytes_total", "Bytes received on each counted interface.", Counter);
  for (const auto& Interface : Counted) Out.Sample({{"device", Interface.Name}}, static_cast<double>(Interface.Received));
  Out.Family("dravel_network_transmit_bytes_total", "Bytes sent on each counted interface.", Counter);
  for (const auto& Interface : Counted) Out.Sample({{"device", Interface.Name}}, static_cast<double>(Interface.Sent));
}

void WriteFileSystems(TMetricsWriter& Out, IMachineFigures& Machine) {
  const auto Systems = Machine.FileSystems();
  const auto Labels = [](const TFileSystemFigures& System) {
    return TMetricLabels{{"mountpoint", System.MountPoint}, {"device", System.Device}, {"fstype", System.FsType}};
  };
  Out.Family("dravel_filesystem_size_bytes", "Size of each file system a drive letter can map to.", Gauge);
  for (const auto& System : Systems) Out.Sample(Labels(System), static_cast<double>(System.SizeBytes));
  Out.Family("dravel_filesystem_avail_bytes", "Space on each file system free to unprivileged users.", Gauge);
  for (const auto& System : Systems) Out.Sample(Labels(System), static_cast<double>(System.AvailBytes));
}

void WriteSensors(TMetricsWriter& Out, ISensors& Sensors) {
  const auto Readings = Sensors.Read();
  const auto Kind = [&](const char* Name, const char* Help, TSensorKind Wanted) {
    Out.Family(Name, Help, Gauge);
    for (const auto& Reading : Readings) {
      if (Reading.Kind == Wanted && Reading.Value) {
        Out.Sample({{"chip", Reading.Chip}, {"sensor", Reading.Label}}, *Reading.Value);
      }
    }
  };
  Kind("dravel_hwmon_temp_celsius", "Temperature of each hardware-monitor sensor.", TSensorKind::Temperature);
  Kind("dravel_hwmon_fan_rpm", "Speed of each hardware-monitor fan.", TSensorKind::Fan);
}

}  // namespace

TMetricsSources MachineMetricsSources() {
  return {MakeMachineFigures(), MakeNetworkInterfaces(), MakeSensors(), nullptr};
}

TMetricsPage::TMetricsPage(TMetricsSources Sources, std::string Version)
    : FSources(std::move(Sources)), FVersion(std::move(Version)) {}

std::string TMetricsPage::Scrape() {
  const std::lock_guard Lock(FLock);
  const auto Start = std::chrono::steady_clock::now();
  const TStoredUptimes Records = FSources.UptimeRecords ? FSources.UptimeRecords() : TStoredUptimes{};
  TMetricsWriter Out;
  WriteProcessors(Out, *FSources.Machine);
  WriteSystem(Out, *FSources.Machine, Records);
  WriteMemory(Out, *FSources.Machine);
  WriteNetwork(Out, *FSources.Network);
  WriteFileSystems(Out, *FSources.Machine);
  WriteSensors(Out, *FSources.Sensors);
  Out.Family("dravel_build_info", "The program's version, in the label.", Gauge);
  Out.Sample({{"version", FVersion}}, 1);
  Out.Family("dravel_scrape_duration_seconds", "Time this scrape took to gather its figures.", Gauge);
  Out.Sample(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
  return Out.Text();
}

}  // namespace dravel
