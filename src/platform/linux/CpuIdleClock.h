#pragma once
// Idle time of each processor in the time base of the performance block's clock.
//
// The kernel counts idle time in clock ticks, sampled by the tick; the block's time comes
// from the monotonic clock, read at another moment. Compared directly, an idle processor's
// idle time can run ahead of the clock between two passes and its usage read below zero.
// Each pass therefore adds to a processor's idle time the share of the clock's advance that
// the processor spent idle by its own tick counts, so its idle time never outruns the clock.

#include <cstdint>
#include <vector>

#include "platform/linux/ProcText.h"

namespace dravel {

class TCpuIdleClock {
 public:
  // Idle time of each processor in 100 ns at the clock reading Now100ns, from the
  // processors' tick counts read at about that moment.
  std::vector<std::uint64_t> Advance(const std::vector<TCpuTicks>& Ticks, std::uint64_t Now100ns,
                                     long TicksPerSecond);

 private:
  struct TProcessor {
    TCpuTicks Ticks;
    double IdleShare;      // of the last pass in which its ticks moved
    std::uint64_t Idle100ns;
  };

  void Restart(const std::vector<TCpuTicks>& Ticks, std::uint64_t Now100ns, long TicksPerSecond);

  std::vector<TProcessor> FProcessors;
  std::uint64_t FNow100ns = 0;
};

}  // namespace dravel
