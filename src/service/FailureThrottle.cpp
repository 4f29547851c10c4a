#include "service/FailureThrottle.h"

#include <algorithm>

namespace dravel {

TFailureThrottle::TFailureThrottle(double PerSecond, double Burst, std::size_t Capacity)
    : FPerSecond(PerSecond), FBurst(Burst), FCapacity(std::max<std::size_t>(Capacity, 1)) {}

bool TFailureThrottle::Take(const std::string& Peer, TClock::time_point Now) {
  const std::lock_guard Guard(FLock);
  auto Found = FBuckets.find(Peer);
  if (Found == FBuckets.end()) {
    if (FBuckets.size() >= FCapacity) {
      FBuckets.erase(FAges.back());
      FAges.pop_back();
    }
    FAges.push_front(Peer);
    Found = FBuckets.emplace(Peer, TBucket{FBurst, Now, FAges.begin()}).first;
  } else {
    FAges.splice(FAges.begin(), FAges, Found->second.Age);
  }
  TBucket& Bucket = Found->second;
  if (Now > Bucket.Filled) {
    const double Seconds = std::chrono::duration<double>(Now - Bucket.Filled).count();
    Bucket.Tokens = std::min(FBurst, Bucket.Tokens + Seconds * FPerSecond);
    Bucket.Filled = Now;
  }
  if (Bucket.Tokens < 1) return false;
  Bucket.Tokens -= 1;
  return true;
}

void TFailureThrottle::GiveBack(const std::string& Peer) {
  const std::lock_guard Guard(FLock);
  const auto Found = FBuckets.find(Peer);
  if (Found != FBuckets.end()) Found->second.Tokens = std::min(FBurst, Found->second.Tokens + 1);
}

std::size_t TFailureThrottle::Size() const {
  const std::lock_guard Guard(FLock);
  return FBuckets.size();
}

}  // namespace dravel
