#pragma once
// How many password checks each peer address may fail: a bucket of Burst tokens per
// address, refilled at PerSecond a second. A check takes a token before it runs and a
// check that succeeds gives it back, so failures alone drain the bucket, and concurrent
// guesses cannot overrun it. The table holds at most Capacity addresses; the one touched
// longest ago makes room (it is forgotten with a full bucket, which favours it).

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

  // Takes a token for Peer; false (and nothing taken) when its bucket is empty.
  bool Take(const std::string& Peer, TClock::time_point Now);
  // Gives back the token of a check that succeeded.
  void GiveBack(const std::string& Peer);
  // Addresses held now.
  std::size_t Size() const;

 private:
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
