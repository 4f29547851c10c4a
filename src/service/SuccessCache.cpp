#include "service/SuccessCache.h"

#include <sodium.h>

#include <stdexcept>

namespace dravel {

TSuccessCache::TSuccessCache(std::size_t Capacity) : FCapacity(Capacity) {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
  randombytes_buf(FKey.data(), FKey.size());
}

TSuccessCache::TDigest TSuccessCache::DigestOf(std::string_view User, std::string_view Password) const {
  TDigest Digest;
  crypto_generichash_state State;
  crypto_generichash_init(&State, FKey.data(), FKey.size(), Digest.size());
  // The user's length first: "a:b" + "c" and "a" + "b:c" must differ.
  const unsigned long long UserLength = User.size();
  crypto_generichash_update(&State, reinterpret_cast<const unsigned char*>(&UserLength), sizeof UserLength);
  crypto_generichash_update(&State, reinterpret_cast<const unsigned char*>(User.data()), User.size());
  crypto_generichash_update(&State, reinterpret_cast<const unsigned char*>(Password.data()), Password.size());
  crypto_generichash_final(&State, Digest.data(), Digest.size());
  return Digest;
}

bool TSuccessCache::Holds(std::string_view User, std::string_view Password) const {
  if (FCapacity == 0) return false;
  const TDigest Digest = DigestOf(User, Password);
  const std::lock_guard Guard(FLock);
  return FPassed.contains(Digest);
}

void TSuccessCache::Add(std::string_view User, std::string_view Password) {
  if (FCapacity == 0) return;
  const TDigest Digest = DigestOf(User, Password);
  const std::lock_guard Guard(FLock);
  if (FPassed.size() >= FCapacity) FPassed.clear();
  FPassed.insert(Digest);
}

void TSuccessCache::Clear() {
  const std::lock_guard Guard(FLock);
  FPassed.clear();
}

}  // namespace dravel
