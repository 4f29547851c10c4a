#include "remote/SecureKeyDeriver.h"

#include <exception>
#include <utility>

namespace dravel {

TSecureKeyDeriver::~TSecureKeyDeriver() {
  // What the thread posts back is dropped with this object.
  if (FThread.joinable()) FThread.join();
}

void TSecureKeyDeriver::Derive(std::string Password, const TSecureSalt& Salt, const TSecureKeyCost& Cost,
                               TDone OnDone) {
  TRequest Request{{std::move(Password), Salt, Cost}, std::move(OnDone)};
  if (!FRunning) {
    Start(std::move(Request));
    return;
  }
  FSuperseded = true;
  FWaiting = std::move(Request);
}

void TSecureKeyDeriver::Cancel() {
  FWaiting.reset();
  FSuperseded = FRunning;
}

void TSecureKeyDeriver::Start(TRequest Request) {
  if (FThread.joinable()) FThread.join();  // the last one has posted its result: it is done
  FRunning = true;
  FSuperseded = false;
  FThread = std::thread([this, Request = std::move(Request)]() mutable {
    std::optional<TSecureLinkKey> Key;
    std::string Error;
    try {
      Key = TSecureLinkKey::Derive(Request.Inputs.Password, Request.Inputs.Salt, Request.Inputs.Cost);
    } catch (const std::exception& Failure) {
      Error = Failure.what();
    }
    QMetaObject::invokeMethod(
        this, [this, OnDone = std::move(Request.OnDone), Key, Error] { Finished(OnDone, Key, Error); },
        Qt::QueuedConnection);
  });
}

void TSecureKeyDeriver::Finished(TDone OnDone, const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
  FRunning = false;
  const bool Wanted = !FSuperseded;
  if (FWaiting) {
    TRequest Next = std::move(*FWaiting);
    FWaiting.reset();
    Start(std::move(Next));
  }
  if (Wanted && OnDone) OnDone(Key, Error);
}

}  // namespace dravel
