#include "platform/linux/CpuIdleClock.h"

#include <algorithm>

namespace dravel {

std::vector<std::uint64_t> TCpuIdleClock::Advance(const std::vector<TCpuTicks>& Ticks,
                                                  std::uint64_t Now100ns, long TicksPerSecond) {
  if (Ticks.size() != FProcessors.size() || Now100ns < FNow100ns) {
    Restart(Ticks, Now100ns, TicksPerSecond);
  } else {
    const auto Elapsed = static_cast<double>(Now100ns - FNow100ns);
    for (std::size_t I = 0; I < Ticks.size(); ++I) {
      TProcessor& Processor = FProcessors[I];
      const TCpuTicks& Now = Ticks[I];
      // A processor taken offline and back starts its counts again: keep its last share.
      const bool Moved = Now.Total > Processor.Ticks.Total && Now.Idle >= Processor.Ticks.Idle;
      if (Moved) {
        const auto Idle = static_cast<double>(Now.Idle - Processor.Ticks.Idle);
        const auto Total = static_cast<double>(Now.Total - Processor.Ticks.Total);
        Processor.IdleShare = std::min(1.0, Idle / Total);
      }
      Processor.Ticks = Now;
      Processor.Idle100ns += static_cast<std::uint64_t>(Processor.IdleShare * Elapsed);
    }
    FNow100ns = Now100ns;
  }
  std::vector<std::uint64_t> Idle;
  Idle.reserve(FProcessors.size());
  for (const TProcessor& Processor : FProcessors) Idle.push_back(Processor.Idle100ns);
  return Idle;
}

void TCpuIdleClock::Restart(const std::vector<TCpuTicks>& Ticks, std::uint64_t Now100ns,
                            long TicksPerSecond) {
  // The first figures are the idle time since boot, as far as the clock has come.
  constexpr std::uint64_t HundredNsPerSecond = 10'000'000;
  const std::uint64_t PerTick =
      HundredNsPerSecond / static_cast<std::uint64_t>(TicksPerSecond > 0 ? TicksPerSecond : 100);
  FProcessors.clear();
  for (const TCpuTicks& Processor : Ticks) {
    const double Share = Processor.Total > 0 ? static_cast<double>(Processor.Idle) /
                                                   static_cast<double>(Processor.Total)
                                             : 1.0;
    FProcessors.push_back({Processor, Share, std::min(Processor.Idle * PerTick, Now100ns)});
  }
  FNow100ns = Now100ns;
}

}  // namespace dravel
