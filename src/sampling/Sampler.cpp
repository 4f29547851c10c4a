#include "sampling/Sampler.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "sampling/CommaText.h"
#include "sampling/SlotChoice.h"

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

// The bytes a counter moved on by, taken modulo its width so that a counter that wraps
// gives the right figure. A difference beyond half the width is taken as a counter that
// went backwards (an adapter re-created, a counter reset) and gives 0.
std::uint64_t Forward(std::optional<std::uint64_t> Current, std::optional<std::uint64_t> Previous,
                      std::uint64_t Mask) {
  if (!Current || !Previous) return 0;
  const std::uint64_t Moved = (*Current - *Previous) & Mask;
  return Moved <= Mask / 2 ? Moved : 0;
}

float KiloBytes(std::uint64_t Bytes) {
  return static_cast<float>(static_cast<double>(Bytes) / 1024.0);
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

void TSampler::SetAdapters(std::vector<std::string> Names) {
  FAdapters = std::move(Names);
  FPerfData.ChooseAdapters(FAdapters);
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

std::vector<TSampler::TAdapterCounters> TSampler::ReadAdapters(const TPerfBlockReader& Block) {
  const std::size_t Object = Block.FirstObject();
  std::optional<TPerfCounterDef> Received, Sent;
  std::size_t Definition = Block.FirstCounter(Object);
  for (std::uint32_t C = 0; C < Block.NumCounters(Object); ++C) {
    const TPerfCounterDef Counter = Block.Counter(Definition);
    if (Counter.NameIndex == PerfIndex::BytesReceived && !Received) Received = Counter;
    if (Counter.NameIndex == PerfIndex::BytesSent && !Sent) Sent = Counter;
    if (C + 1 < Block.NumCounters(Object)) Definition = Block.NextCounter(Definition);
  }
  std::vector<TAdapterCounters> Adapters;
  const auto Instances = std::max(Block.NumInstances(Object), 0);
  std::size_t Instance = Block.FirstInstance(Object);
  for (std::int32_t I = 0; I < Instances; ++I) {
    TAdapterCounters Adapter;
    Block.InstanceName(Instance, Adapter.Name);
    const std::size_t Values = Block.InstanceCounterBlock(Instance);
    if (Received) {
      Adapter.Received = Block.Value(Values, *Received);
      Adapter.ReceivedMask = WidthMask(*Received);
    }
    if (Sent) {
      Adapter.Sent = Block.Value(Values, *Sent);
      Adapter.SentMask = WidthMask(*Sent);
    }
    Adapters.push_back(std::move(Adapter));
    if (I + 1 < Instances) Instance = Block.NextInstance(Instance);
  }
  return Adapters;
}

void TSampler::NetworkBlock() {
  const TPerfBlockReader Block = Query(QNetwork, "638");
  std::vector<TAdapterCounters> Adapters = ReadAdapters(Block);
  TRawData& Data = FShell.Data;

  // Bytes since the previous pass: an adapter seen for the first time (at start-up, or
  // one that just appeared) gives nothing yet, and so does a counter that went backwards.
  const auto Previous = [this](const std::string& Name) -> const TAdapterCounters* {
    for (const auto& Adapter : FPreviousAdapters) {
      if (Adapter.Name == Name) return &Adapter;
    }
    return nullptr;
  };
  std::vector<std::string> Names;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Moved;
  std::uint64_t ReceivedMoved = 0, SentMoved = 0, ReceivedSum = 0, SentSum = 0;
  for (const TAdapterCounters& Adapter : Adapters) {
    const TAdapterCounters* Before = Previous(Adapter.Name);
    const std::uint64_t Received =
        Before ? Forward(Adapter.Received, Before->Received, Adapter.ReceivedMask) : 0;
    const std::uint64_t Sent = Before ? Forward(Adapter.Sent, Before->Sent, Adapter.SentMask) : 0;
    Names.push_back(Adapter.Name);
    Moved.emplace_back(Received, Sent);
    ReceivedMoved += Received;
    SentMoved += Sent;
    ReceivedSum += Adapter.Received.value_or(0);
    SentSum += Adapter.Sent.value_or(0);
  }

  // A counter the object does not carry leaves its figures as they are.
  const bool HasReceived = Adapters.empty() || Adapters.front().Received.has_value();
  const bool HasSent = Adapters.empty() || Adapters.front().Sent.has_value();
  const auto Slots = AssignSlots(Names, FAdapters, AdapterSlots);
  for (std::size_t S = 0; S < AdapterSlots; ++S) {
    const auto& Slot = Slots[S];
    // A slot without an adapter (a named one that is absent) shows nothing, not the
    // figures of an adapter that has gone.
    if (HasReceived) {
      Data.NetRead[S + 1] = Slot ? RatePerSecond(Moved[*Slot].first) : 0.0f;
      Data.NetSumRead[S + 1] = Slot ? KiloBytes(*Adapters[*Slot].Received) : 0.0f;
    }
    if (HasSent) {
      Data.NetWrite[S + 1] = Slot ? RatePerSecond(Moved[*Slot].second) : 0.0f;
      Data.NetSumWrite[S + 1] = Slot ? KiloBytes(*Adapters[*Slot].Sent) : 0.0f;
    }
  }
  if (HasReceived) {
    Data.NetRead[0] = RatePerSecond(ReceivedMoved);
    Data.NetSumRead[0] = KiloBytes(ReceivedSum);
  }
  if (HasSent) {
    Data.NetWrite[0] = RatePerSecond(SentMoved);
    Data.NetSumWrite[0] = KiloBytes(SentSum);
  }
  FPreviousAdapters = std::move(Adapters);
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
