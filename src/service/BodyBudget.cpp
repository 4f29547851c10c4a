#include "service/BodyBudget.h"

#include <algorithm>

#include "platform/ProcessResources.h"

namespace dravel {

bool TBodyBudget::Take(std::size_t Bytes) {
  const std::lock_guard Lock(FLock);
  if (Bytes > FTotal - FHeld) return false;
  FHeld += Bytes;
  FPeak = std::max(FPeak, FHeld);
  return true;
}

void TBodyBudget::GiveBack(std::size_t Bytes) {
  bool Release = false;
  {
    const std::lock_guard Lock(FLock);
    FHeld -= std::min(Bytes, FHeld);
    if (FHeld == 0 && FPeak > FReleaseAbove) {
      FPeak = 0;
      Release = true;
    }
  }
  if (Release) ReleaseFreeMemory();
}

std::size_t TBodyBudget::Held() {
  const std::lock_guard Lock(FLock);
  return FHeld;
}

}  // namespace dravel
