#pragma once
// The keys a client has derived for the authenticated link, kept for the run: a reconnect
// to the same server meets the same salt and cost, and Argon2id is slow on purpose, so the
// key is made once per password, salt and cost. Bounded: the oldest key makes room. No Qt.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "remote/SecureLinkKey.h"

namespace dravel {

class TSecureKeyCache {
 public:
  static constexpr std::size_t DefaultCapacity = 4;
  explicit TSecureKeyCache(std::size_t Capacity = DefaultCapacity);

  // The key derived for these inputs, or null.
  const TSecureLinkKey* Find(std::string_view Password, const TSecureSalt& Salt,
                             const TSecureKeyCost& Cost) const;
  // Keeps Key for these inputs (replacing one kept for the same inputs).
  void Add(std::string_view Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost,
           const TSecureLinkKey& Key);
  std::size_t Size() const { return FEntries.size(); }

 private:
  struct TEntry {
    TSecureKeyInputs Inputs;
    TSecureLinkKey Key;
    bool Matches(std::string_view Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost) const {
      return Inputs.Password == Password && Inputs.Salt == Salt && Inputs.Cost == Cost;
    }
  };

  std::size_t FCapacity;
  std::vector<TEntry> FEntries;  // oldest first
};

}  // namespace dravel
