#include "remote/SecureKeySource.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace dravel {

TSecureKeySource::TSecureKeySource(QObject* Parent) : QObject(Parent) {
  FWorker.setMaxThreadCount(1);
}

TSecureKeySource::~TSecureKeySource() {
  // Nothing may post to this object once it is gone.
  FWorker.clear();
  FWorker.waitForDone();
}

void TSecureKeySource::Get(const std::string& Password, const TSecureSalt& Salt,
                           const TSecureKeyCost& Cost, TDone Done) {
  if (const TSecureLinkKey* Key = FCache.Find(Password, Salt, Cost)) return Done(Key, {});
  for (auto& [Id, Pending] : FPending) {
    if (Pending.Password == Password && Pending.Salt == Salt && Pending.Cost == Cost) {
      Pending.Waiting.push_back(std::move(Done));
      return;
    }
  }
  const std::size_t Id = FNextId++;
  FPending.push_back({Id, TPending{Password, Salt, Cost, {}}});
  FPending.back().second.Waiting.push_back(std::move(Done));
  ++FDerivations;
  FWorker.start([this, Id, Password, Salt, Cost] {
    std::optional<TSecureLinkKey> Key;
    std::string Error;
    try {
      Key = TSecureLinkKey::Derive(Password, Salt, Cost);
    } catch (const std::exception& Failure) {
      Error = Failure.what();
    }
    QMetaObject::invokeMethod(
        this, [this, Id, Key, Error] { Finished(Id, Key ? &*Key : nullptr, Error); },
        Qt::QueuedConnection);
  });
}

void TSecureKeySource::Finished(std::size_t Id, const TSecureLinkKey* Key,
                                const std::string& Error) {
  const auto It = std::find_if(FPending.begin(), FPending.end(),
                               [Id](const auto& Entry) { return Entry.first == Id; });
  if (It == FPending.end()) return;
  TPending Done = std::move(It->second);
  FPending.erase(It);
  if (Key) FCache.Add(Done.Password, Done.Salt, Done.Cost, *Key);
  // A waiter may start another Get (a new attempt) from its answer.
  for (const TDone& Waiter : Done.Waiting) Waiter(Key, Error);
}

}  // namespace dravel
