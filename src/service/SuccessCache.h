#pragma once
// Credentials that passed the password check lately, so that a caller sending the same
// ones on every request of a kept connection pays for bcrypt once. Only a keyed hash of
// "user:password" is kept (the key is random per cache), at most Capacity of them; when
// full the cache starts over.

#include <array>
#include <cstddef>
#include <mutex>
#include <set>
#include <string_view>

namespace dravel {

class TSuccessCache {
 public:
  explicit TSuccessCache(std::size_t Capacity = 1024);

  bool Holds(std::string_view User, std::string_view Password) const;
  void Add(std::string_view User, std::string_view Password);
  void Clear();

 private:
  using TDigest = std::array<unsigned char, 32>;
  TDigest DigestOf(std::string_view User, std::string_view Password) const;

  const std::size_t FCapacity;
  std::array<unsigned char, 32> FKey{};
  mutable std::mutex FLock;
  std::set<TDigest> FPassed;
};

}  // namespace dravel
