#include "service/FailureThrottle.h"

#include <algorithm>

namespace dravel {

TFailureThrottle::TFailureThrottle(double PerSecond, double Burst, std::size_t Capacity)
    : FPerSecond(PerSecond), FBurst(Burst), FCapacity(std::max<std::size_t>(Capacity, 1)) {}

TFailureThrottle::TBucket& TFailureThrottle::Refilled(const std::string& Peer, TClock::time_point Now) {
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
  return Bucket;
}

bool TFailureThrottle::Allows(const std::string& Peer, TClock::time_point Now) {
  const std::lock_guard Guard(FLock);
  return Refilled(Peer, Now).Tokens >= 1;
}

void TFailureThrottle::Failed(const std::string& Peer, TClock::time_point Now) {
  const std::lock_guard Guard(FLock);
  TBucket& Bucket = Refilled(Peer, Now);
  Bucket.Tokens = std::max(-FBurst, Bucket.Tokens - 1);
}

std::size_t TFailureThrottle::Size() const {
  const std::lock_guard Guard(FLock);
  return FBuckets.size();
}

}  // namespace dravel
