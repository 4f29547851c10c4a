#include "remote/SecureLinkKey.h"

#include <sodium.h>


namespace dravel {

void EnsureSodium() {
  // A function-local static is started once, under the language's own lock.
  static const int Started = sodium_init();
  if (Started < 0) throw ESecureLinkError("the cryptography library could not start");
}

TSecureKeyCost DefaultSecureKeyCost() {
  return {static_cast<std::uint32_t>(crypto_pwhash_OPSLIMIT_INTERACTIVE),
          static_cast<std::uint32_t>(crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024)};
}

TSecureKeyCost CheapestSecureKeyCost() {
  return {static_cast<std::uint32_t>(crypto_pwhash_OPSLIMIT_MIN),
          static_cast<std::uint32_t>((crypto_pwhash_MEMLIMIT_MIN + 1023) / 1024)};
}

bool AcceptableKeyCost(const TSecureKeyCost& Cost) {
  const TSecureKeyCost Least = CheapestSecureKeyCost();
  return Cost.OpsLimit >= Least.OpsLimit && Cost.OpsLimit <= MaxSecureOpsLimit &&
         Cost.MemLimitKiB >= Least.MemLimitKiB && Cost.MemLimitKiB <= MaxSecureMemLimitKiB;
}

TSecureSalt MakeSecureSalt() {
  EnsureSodium();
  static_assert(SecureSaltSize == crypto_pwhash_SALTBYTES);
  TSecureSalt Salt{};
  randombytes_buf(Salt.data(), Salt.size());
  return Salt;
}

TSecureLinkKey TSecureLinkKey::Derive(std::string_view Password, const TSecureSalt& Salt,
                                      const TSecureKeyCost& Cost) {
  EnsureSodium();
  if (!AcceptableKeyCost(Cost)) throw ESecureLinkError("the key derivation cost is out of range");
  TBytes Bytes{};
  if (crypto_pwhash(Bytes.data(), Bytes.size(), Password.data(), Password.size(), Salt.data(),
                    Cost.OpsLimit, static_cast<std::size_t>(Cost.MemLimitKiB) * 1024,
                    crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw ESecureLinkError("the link key could not be derived (out of memory)");
  TSecureLinkKey Key(Bytes);
  sodium_memzero(Bytes.data(), Bytes.size());
  return Key;
}

TSecureLinkKey::~TSecureLinkKey() { sodium_memzero(FBytes.data(), FBytes.size()); }

bool TSecureLinkKey::operator==(const TSecureLinkKey& Other) const {
  return crypto_verify_32(FBytes.data(), Other.FBytes.data()) == 0;
}

}  // namespace dravel
