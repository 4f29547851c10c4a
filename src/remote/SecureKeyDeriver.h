#pragma once
// Derives secure link keys on a thread of its own, so that Argon2id's time and memory
// never stall the event loop: the result is handed back on the deriver's own thread. One
// derivation runs at a time; a request made meanwhile waits for it and replaces any other
// waiting request, and only the newest request's result is delivered.

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "remote/SecureLinkKey.h"

namespace dravel {

class TSecureKeyDeriver : public QObject {
  Q_OBJECT

 public:
  // The key, or no key and the reason it could not be derived.
  using TDone = std::function<void(const std::optional<TSecureLinkKey>& Key, const std::string& Error)>;

  explicit TSecureKeyDeriver(QObject* Parent = nullptr) : QObject(Parent) {}
  // Waits for a derivation under way (a fraction of a second at the costs clients accept).
  ~TSecureKeyDeriver() override;

  void Derive(std::string Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost, TDone OnDone);
  // Forgets the waiting request, and the result of the one under way.
  void Cancel();
  bool Busy() const { return FRunning; }

 private:
  struct TRequest {
    TSecureKeyInputs Inputs;
    TDone OnDone;
  };

  void Start(TRequest Request);
  void Finished(TDone OnDone, const std::optional<TSecureLinkKey>& Key, const std::string& Error);

  std::thread FThread;
  bool FRunning = false;
  bool FSuperseded = false;  // the result under way is not wanted any more
  std::optional<TRequest> FWaiting;
};

}  // namespace dravel
