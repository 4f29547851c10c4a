#include "sampling/Sampler.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "sampling/CommaText.h"

namespace dravel {
namespace {

constexpr std::uint32_t QueryGrowth = 1024;
// A source that keeps asking for more is broken; the pass fails rather than grow forever.
constexpr std::uint32_t QuerySizeLimit = 32u << 20;
constexpr std::size_t ProcessorSlots = 4;
constexpr std::size_t AdapterSlots = 4;
constexpr double BytesPerMB = 1048576.0;
constexpr char TotalInstance[] = "_Total";

void UpperAscii(std::string& Text) {
  for (char& C : Text) {
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  }
}

// Counters wrap at their declared width.
std::uint64_t WidthMask(const TPerfCounterDef& Counter) {
  return Counter.Size == 8 ? ~std::uint64_t{0} : std::uint64_t{0xFFFFFFFF};
}

double Difference(std::uint64_t Current, std::uint64_t Previous) {
  return static_cast<double>(static_cast<std::int64_t>(Current - Previous));
}

}  // namespace

TSampler::TSampler(TRawDataShell& Shell, IPerfDataSource& PerfData, ISystemInfo& System,
                   TMBMReader& MBM)
    : FShell(Shell), FPerfData(PerfData), FSystem(System), FMBM(MBM) {
  FQuerySizes.fill(InitialQuerySize);
}

void TSampler::SetInterval(std::uint32_t Milliseconds) {
  FInterval = std::max<std::uint32_t>(Milliseconds, 1);
}

void TSampler::SetExcludeText(std::string Text) {
  FExcludeText = std::move(Text);
  FExcludeList = ParseCommaText(FExcludeText);
  FExcludeKeys.clear();
  for (const auto& Entry : FExcludeList) {
    FExcludeKeys.push_back(TrimBlanks(Entry));
    UpperAscii(FExcludeKeys.back());
  }
}

void TSampler::SamplePass(const TActiveFamilies& Active, bool Forced) {
  try {
    FShell.Data.Marker = RecordMarker;
    if (Active.Proc) ProcessorBlock();
    if (Active.Network) NetworkBlock();
    if (Active.UTP) SystemBlock();
    if (Active.PageRAM) MemoryBlock();
    if (Active.NonPerf) HostBlock(Forced);
    if (Active.MBM) FMBM.MBMStep(FShell.Data);
  } catch (const std::exception& Error) {
    if (!OnPerfDataFailure) throw;
    OnPerfDataFailure(Error);
    return;
  }
  if (RenderLabels) RenderLabels();
}

TPerfBlockReader TSampler::Query(TQueryObject Object, std::string_view ValueName) {
  std::uint32_t Size = FQuerySizes[Object];
  FBuffer.resize(Size);
  std::size_t Written = 0;
  while (FPerfData.QueryValue(ValueName, FBuffer, Written) == ErrorMoreData) {
    if (Size > QuerySizeLimit) throw TPerfDataError("performance data block keeps growing");
    Size += QueryGrowth;
    FBuffer.resize(Size);
    FQuerySizes[Object] = std::max(FQuerySizes[Object], Size);
  }
  return TPerfBlockReader(
      std::span<const std::uint8_t>(FBuffer).first(std::min(Written, FBuffer.size())));
}

void TSampler::ProcessorBlock() {
  const TPerfBlockReader Block = Query(QProcessor, "238");
  FPreviousTime = FCurrentTime;
  FCurrentTime = Block.PerfTime100nSec();
  const bool TimeMoved = FCurrentTime != FPreviousTime;
  const double Elapsed = static_cast<double>(FCurrentTime - FPreviousTime);

  const std::size_t Object = Block.FirstObject();
  const std::int32_t Instances = Block.NumInstances(Object);
  std::optional<TPerfCounterDef> IdleTime;
  std::size_t Definition = Block.FirstCounter(Object);
  for (std::uint32_t I = 0; I < Block.NumCounters(Object) && !IdleTime; ++I) {
    const TPerfCounterDef Counter = Block.Counter(Definition);
    if (Counter.NameIndex == PerfIndex::ProcessorTime) IdleTime = Counter;
    Definition = Block.NextCounter(Definition);
  }

  std::optional<float> Overall;
  std::size_t ProcessorSlot = 0;
  std::size_t Instance = Block.FirstInstance(Object);
  for (std::int32_t I = 0; I < Instances; ++I) {
    Block.InstanceName(Instance, FName);
    const bool IsTotal = FName.starts_with(TotalInstance);
    const bool Counted = IsTotal || ProcessorSlot < ProcessorSlots;
    if (Counted && IdleTime) {
      std::uint64_t& Current = IsTotal ? FTotalCurrent : FProcCurrent[ProcessorSlot];
      std::uint64_t& Previous = IsTotal ? FTotalPrevious : FProcPrevious[ProcessorSlot];
      Previous = Current;
      Current = Block.Value(Block.InstanceCounterBlock(Instance), *IdleTime);
      if (TimeMoved) {
        const auto Usage =
            static_cast<float>((1.0 - Difference(Current, Previous) / Elapsed) * 100.0);
        if (IsTotal) {
          Overall = Usage;
        } else {
          FShell.Data.ProcUsage[ProcessorSlot + 1] = Usage;
        }
      }
    }
    if (!IsTotal) ++ProcessorSlot;
    if (I + 1 < Instances) Instance = Block.NextInstance(Instance);
  }

  if (!Overall) return;
  if (!FExcludeText.empty()) ExclusionStep(*Overall, Instances - 1);
  FShell.Data.ProcUsage[0] = *Overall;
}

void TSampler::ExclusionStep(float& Overall, std::int32_t Processors) {
  // A block without processor instances gives no share to divide by.
  if (Processors < 1) return;
  const TPerfBlockReader Block = Query(QProcess, "230");
  const std::size_t Object = Block.FirstObject();
  if (Block.NumCounters(Object) < 1) return;
  const TPerfCounterDef Counter = Block.Counter(Block.FirstCounter(Object));
  const double Span = static_cast<double>(FCurrentTime - FPreviousTime) * Processors;

  std::size_t Slot = 0;
  const std::int32_t Instances = Block.NumInstances(Object);
  std::size_t Instance = Block.FirstInstance(Object);
  for (std::int32_t I = 0; I < Instances && Slot < ProcessSlots; ++I) {
    Block.InstanceName(Instance, FName);
    UpperAscii(FName);
    for (const auto& Key : FExcludeKeys) {
      if (Key.empty() || FName.find(Key) == std::string::npos) continue;
      FExcludePrevious[Slot] = FExcludeCurrent[Slot];
      FExcludeCurrent[Slot] = Block.Value(Block.InstanceCounterBlock(Instance), Counter);
      Overall -= static_cast<float>(Difference(FExcludeCurrent[Slot], FExcludePrevious[Slot]) /
                                    Span * 100.0);
      if (++Slot == ProcessSlots) break;
    }
    if (I + 1 < Instances) Instance = Block.NextInstance(Instance);
  }
}

float TSampler::RatePerSecond(std::uint64_t Bytes) const {
  return static_cast<float>(static_cast<double>(Bytes) / 1024.0 * 1000.0 / FInterval);
}

void TSampler::NetworkCounter(std::uint64_t Value, std::uint64_t Mask, TNetSlot& Slot,
                              TNetSlot& Sum, std::uint64_t& SumMask, float& Rate,
                              float& Total) const {
  Slot.Current = Value;
  Sum.Current += Value;
  SumMask |= Mask;
  Rate = RatePerSecond((Value - Slot.Previous) & Mask);
  Total = static_cast<float>(static_cast<double>(Value) / 1024.0);
}

void TSampler::NetworkBlock() {
  const TPerfBlockReader Block = Query(QNetwork, "638");
  const std::size_t Object = Block.FirstObject();
  TRawData& Data = FShell.Data;
  for (TNetSlot* Sum : {&FReceivedSum, &FSentSum}) {
    Sum->Previous = Sum->Current;
    Sum->Current = 0;
  }
  std::uint64_t ReceivedMask = 0xFFFFFFFF;
  std::uint64_t SentMask = 0xFFFFFFFF;

  const auto Instances = static_cast<std::size_t>(std::max(Block.NumInstances(Object), 0));
  std::size_t Instance = Block.FirstInstance(Object);
  for (std::size_t S = 0; S < std::min(Instances, AdapterSlots); ++S) {
    for (TNetSlot* Slot : {&FReceived[S], &FSent[S]}) {
      Slot->Previous = Slot->Current;
      Slot->Current = 0;
    }
    const std::size_t Values = Block.InstanceCounterBlock(Instance);
    std::size_t Definition = Block.FirstCounter(Object);
    for (std::uint32_t C = 0; C < Block.NumCounters(Object); ++C) {
      const TPerfCounterDef Counter = Block.Counter(Definition);
      if (Counter.NameIndex == PerfIndex::BytesReceived) {
        NetworkCounter(Block.Value(Values, Counter), WidthMask(Counter), FReceived[S], FReceivedSum,
                       ReceivedMask, Data.NetRead[S + 1], Data.NetSumRead[S + 1]);
      } else if (Counter.NameIndex == PerfIndex::BytesSent) {
        NetworkCounter(Block.Value(Values, Counter), WidthMask(Counter), FSent[S], FSentSum,
                       SentMask, Data.NetWrite[S + 1], Data.NetSumWrite[S + 1]);
      }
      if (C + 1 < Block.NumCounters(Object)) Definition = Block.NextCounter(Definition);
    }
    if (S + 1 < std::min(Instances, AdapterSlots)) Instance = Block.NextInstance(Instance);
  }

  FReceivedSum.Current &= ReceivedMask;
  FSentSum.Current &= SentMask;
  Data.NetRead[0] = RatePerSecond((FReceivedSum.Current - FReceivedSum.Previous) & ReceivedMask);
  Data.NetWrite[0] = RatePerSecond((FSentSum.Current - FSentSum.Previous) & SentMask);
  Data.NetSumRead[0] = static_cast<float>(static_cast<double>(FReceivedSum.Current) / 1024.0);
  Data.NetSumWrite[0] = static_cast<float>(static_cast<double>(FSentSum.Current) / 1024.0);
}

void TSampler::SystemBlock() {
  const TPerfBlockReader Block = Query(QSystem, "2");
  TRawData& Data = FShell.Data;
  const std::uint32_t Objects = Block.NumObjectTypes();
  std::size_t Object = Block.FirstObject();
  for (std::uint32_t O = 0; O < Objects; ++O) {
    if (Block.NumInstances(Object) < 1 && Block.ObjectNameIndex(Object) == PerfIndex::System) {
      const std::size_t Values = Block.ObjectCounterBlock(Object);
      std::size_t Definition = Block.FirstCounter(Object);
      const std::uint32_t Counters = Block.NumCounters(Object);
      for (std::uint32_t C = 0; C < Counters; ++C) {
        const TPerfCounterDef Counter = Block.Counter(Definition);
        if (Counter.NameIndex == PerfIndex::SystemUpTime) {
          const auto Boot = static_cast<std::int64_t>(Block.Value(Values, Counter));
          const std::int64_t Frequency = Block.ObjectPerfFreq(Object);
          // A zero frequency would divide by zero; the figure keeps its value instead.
          if (Frequency != 0) {
            Data.Uptime = (Block.ObjectPerfTime(Object) - Boot) / Frequency;
            FCurrentUptime = Data.Uptime;
          }
        } else if (Counter.NameIndex == PerfIndex::Processes) {
          Data.Processes = static_cast<std::int16_t>(Block.Value(Values, Counter) & 0xFFFF);
        } else if (Counter.NameIndex == PerfIndex::Threads) {
          Data.Threads = static_cast<std::int16_t>(Block.Value(Values, Counter) & 0xFFFF);
          break;
        }
        if (C + 1 < Counters) Definition = Block.NextCounter(Definition);
      }
    }
    if (O + 1 < Objects) Object = Block.NextObject(Object);
  }
}

void TSampler::MemoryBlock() {
  TMemoryStatus Status;
  if (!FSystem.MemoryStatus(Status)) return;
  TRawData& Data = FShell.Data;
  WriteMemory(Data, TMemoryField::PageFree, Status.AvailPageFile);
  WriteMemory(Data, TMemoryField::PageTotal, Status.TotalPageFile);
  WriteMemory(Data, TMemoryField::RAMFree, Status.AvailPhys);
  WriteMemory(Data, TMemoryField::RAMTotal, Status.TotalPhys);
}

void TSampler::HostBlock(bool Forced) {
  TRawData& Data = FShell.Data;
  ++FPassCounter;
  if (FPassCounter % 10 == 0 || Forced) {
    std::memset(Data.IPAddr, 0, sizeof Data.IPAddr);
    const auto Addresses = FSystem.HostAddresses();
    for (std::size_t I = 0; I < std::min<std::size_t>(Addresses.size(), 4); ++I) {
      std::memcpy(Data.IPAddr[I], Addresses[I].data(), 4);
    }
    for (TDriveEntry& Drive : Data.Drives) {
      if (Drive.Letter == 0) continue;
      TDiskSpace Space;
      const bool Measured = FSystem.DiskFreeSpace(Drive.Letter, Space);
      Drive.FreeMB = Measured ? static_cast<float>(Space.FreeToCaller / BytesPerMB) : 0.0f;
      Drive.TotalMB = Measured ? static_cast<float>(Space.Total / BytesPerMB) : 0.0f;
    }
  }
  if (Data.CompName.Length == 0) WriteShortName(Data.CompName, TrimBlanks(FSystem.ComputerName()));
  if (Data.UserName.Length == 0) WriteShortName(Data.UserName, TrimBlanks(FSystem.UserName()));
  if (FPassCounter == 50) {
    FQuerySizes.fill(InitialQuerySize);
    FPassCounter = 0;
  }
  Data.DateTime = FSystem.LocalDateTime();
}

}  // namespace dravel
