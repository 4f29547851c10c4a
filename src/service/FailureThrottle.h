#pragma once
// How many password checks each peer address may fail: a bucket of Burst tokens per
// address, refilled at PerSecond a second. A check may run while the bucket holds a token,
// and only a failed one takes it, so callers that know their password are never held up.
// Checks failing at once may take the bucket below empty (by at most Burst), and that
// debt is waited off before the next check. The table holds at most Capacity addresses;
// the one touched longest ago makes room (it is forgotten with a full bucket).

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace dravel {

class TFailureThrottle {
 public:
  using TClock = std::chrono::steady_clock;

  explicit TFailureThrottle(double PerSecond = 5, double Burst = 5, std::size_t Capacity = 4096);

  // Whether a check for Peer may run now.
  bool Allows(const std::string& Peer, TClock::time_point Now);
  // A check for Peer failed.
  void Failed(const std::string& Peer, TClock::time_point Now);
  // Addresses held now.
  std::size_t Size() const;

 private:
  struct TBucket;
  // Peer's bucket filled up to Now; made (full) when missing.
  TBucket& Refilled(const std::string& Peer, TClock::time_point Now);

  struct TBucket {
    double Tokens;
    TClock::time_point Filled;
    std::list<std::string>::iterator Age;
  };

  const double FPerSecond;
  const double FBurst;
  const std::size_t FCapacity;
  mutable std::mutex FLock;
  std::list<std::string> FAges;  // front: touched last
  std::unordered_map<std::string, TBucket> FBuckets;
};

}  // namespace dravel
