#pragma once
// Where the link client gets its authenticated-mode keys: from its cache at once, or from
// Argon2id run on a worker thread of its own, the result posted back to this object's
// thread, so the event loop (the panel's refresh and drawing) never waits for it. One
// worker, one derivation per set of inputs at a time; destroying the source drops what is
// queued and waits for the one running, which the accepted cost bounds.

#include <QObject>
#include <QThreadPool>

#include <functional>
#include <string>
#include <vector>

#include "remote/SecureKeyCache.h"

namespace dravel {

class TSecureKeySource : public QObject {
  Q_OBJECT

 public:
  // The key, or null with the reason it could not be derived.
  using TDone = std::function<void(const TSecureLinkKey* Key, const std::string& Error)>;

  explicit TSecureKeySource(QObject* Parent = nullptr);
  ~TSecureKeySource() override;

  // Calls Done with the key for these inputs: before returning when it is cached, else
  // from the event loop once derived. The caller drops answers it no longer wants.
  void Get(const std::string& Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost,
           TDone Done);
  // Derivations started so far (a reconnect that found its key cached starts none).
  int Derivations() const { return FDerivations; }

 private:
  struct TPending {
    std::string Password;
    TSecureSalt Salt;
    TSecureKeyCost Cost;
    std::vector<TDone> Waiting;
  };
  void Finished(std::size_t Id, const TSecureLinkKey* Key, const std::string& Error);

  QThreadPool FWorker;
  TSecureKeyCache FCache;
  std::vector<std::pair<std::size_t, TPending>> FPending;  // derivations under way, by id
  std::size_t FNextId = 0;
  int FDerivations = 0;
};

}  // namespace dravel
