#include "remote/SecureKeySource.h"

namespace dravel {

void TSecureKeySource::Get(const std::string& Password, const TSecureSalt& Salt,
                           const TSecureKeyCost& Cost, TDone Done) {
  if (const TSecureLinkKey* Key = FCache.Find(Password, Salt, Cost)) return Done(Key, {});
  if (FPending && FPending->Password == Password && FPending->Salt == Salt && FPending->Cost == Cost) {
    FPending->Waiting.push_back(std::move(Done));
    return;
  }
  FPending = TPending{Password, Salt, Cost, {}};
  FPending->Waiting.push_back(std::move(Done));
  ++FDerivations;
  FDeriver.Derive(Password, Salt, Cost, [this](const std::optional<TSecureLinkKey>& Key,
                                               const std::string& Error) { Finished(Key, Error); });
}

void TSecureKeySource::Finished(const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
  if (!FPending) return;
  const TPending Done = std::move(*FPending);
  FPending.reset();
  if (Key) FCache.Add(Done.Password, Done.Salt, Done.Cost, *Key);
  // A waiter may ask again from its answer (a new attempt); it then finds the cache.
  for (const TDone& Waiter : Done.Waiting) Waiter(Key ? &*Key : nullptr, Error);
}

}  // namespace dravel
