#include "remote/SecureKeySource.h"

namespace dravel {

void TSecureKeySource::Get(const std::string& Password, const TSecureSalt& Salt,
                           const TSecureKeyCost& Cost, TDone Done) {
  if (const TSecureLinkKey* Key = FCache.Find(Password, Salt, Cost)) return Done(Key, {});
  TSecureKeyInputs Inputs{Password, Salt, Cost};
  if (FPending && FPending->Inputs == Inputs) {
    FPending->Waiting.push_back(std::move(Done));
    return;
  }
  FPending = TPending{std::move(Inputs), {}};
  FPending->Waiting.push_back(std::move(Done));
  ++FDerivations;
  FDeriver.Derive(Password, Salt, Cost, [this](const std::optional<TSecureLinkKey>& Key,
                                               const std::string& Error) { Finished(Key, Error); });
}

void TSecureKeySource::Finished(const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
  if (!FPending) return;
  const TPending Done = std::move(*FPending);
  FPending.reset();
  if (Key) FCache.Add(Done.Inputs.Password, Done.Inputs.Salt, Done.Inputs.Cost, *Key);
  // A waiter may ask again from its answer (a new attempt); it then finds the cache.
  for (const TDone& Waiter : Done.Waiting) Waiter(Key ? &*Key : nullptr, Error);
}

}  // namespace dravel
