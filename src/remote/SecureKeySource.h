#pragma once
// Where the link client gets its authenticated-mode keys: from its cache at once, or from
// the key deriver's thread, so the event loop (the panel's refresh and drawing) never
// waits for Argon2id, and a reconnect to the same server does not pay for it again. A
// request for the inputs already being derived joins that derivation; one for other
// inputs replaces it, and the answers the old one owed are dropped.

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "remote/SecureKeyCache.h"
#include "remote/SecureKeyDeriver.h"

namespace dravel {

class TSecureKeySource : public QObject {
  Q_OBJECT

 public:
  // The key, or null with the reason it could not be derived.
  using TDone = std::function<void(const TSecureLinkKey* Key, const std::string& Error)>;

  explicit TSecureKeySource(QObject* Parent = nullptr) : QObject(Parent) {}

  // Calls Done with the key for these inputs: before returning when it is cached, else
  // from the event loop once derived. The caller drops answers it no longer wants.
  void Get(const std::string& Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost,
           TDone Done);
  // Derivations started so far (a reconnect that found its key cached starts none).
  int Derivations() const { return FDerivations; }

 private:
  struct TPending {
    TSecureKeyInputs Inputs;
    std::vector<TDone> Waiting;
  };
  void Finished(const std::optional<TSecureLinkKey>& Key, const std::string& Error);

  TSecureKeyCache FCache;
  std::optional<TPending> FPending;  // the derivation whose answer is wanted
  int FDerivations = 0;
  TSecureKeyDeriver FDeriver;  // last: it is joined before the rest goes
};

}  // namespace dravel
