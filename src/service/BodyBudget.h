#pragma once
// The memory all requests being read may hold at once. A request that would take more
// is refused; once a burst of large requests has ended, freed memory goes back to the
// system.

#include <cstddef>
#include <mutex>

namespace dravel {

class TBodyBudget {
 public:
  // Bursts above ReleaseAbove bytes in all hand their memory back once they end.
  TBodyBudget(std::size_t Total, std::size_t ReleaseAbove) : FTotal(Total), FReleaseAbove(ReleaseAbove) {}

  // False, and nothing taken, when Bytes more would pass the total.
  bool Take(std::size_t Bytes);
  void GiveBack(std::size_t Bytes);
  std::size_t Held();

 private:
  const std::size_t FTotal;
  const std::size_t FReleaseAbove;
  std::mutex FLock;
  std::size_t FHeld = 0;
  std::size_t FPeak = 0;  // the most held since memory was last handed back
};

}  // namespace dravel
