#include "remote/SecureKeyCache.h"

#include <algorithm>

namespace dravel {

TSecureKeyCache::TSecureKeyCache(std::size_t Capacity) : FCapacity(std::max<std::size_t>(Capacity, 1)) {
  FEntries.reserve(FCapacity);
}

const TSecureLinkKey* TSecureKeyCache::Find(std::string_view Password, const TSecureSalt& Salt,
                                            const TSecureKeyCost& Cost) const {
  for (const TEntry& Entry : FEntries) {
    if (Entry.Matches(Password, Salt, Cost)) return &Entry.Key;
  }
  return nullptr;
}

void TSecureKeyCache::Add(std::string_view Password, const TSecureSalt& Salt,
                          const TSecureKeyCost& Cost, const TSecureLinkKey& Key) {
  std::erase_if(FEntries, [&](const TEntry& Entry) { return Entry.Matches(Password, Salt, Cost); });
  if (FEntries.size() >= FCapacity) FEntries.erase(FEntries.begin());
  FEntries.push_back({{std::string(Password), Salt, Cost}, Key});
}

}  // namespace dravel
