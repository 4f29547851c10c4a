#pragma once
// A load client of the link's secure mode for the load driver: one connection, the
// handshake, then a sealed "W" per step and whole opened records out. All clients of a
// run share one key per salt and cost, derived once off the event loop, so the load is on
// the server and not on the driver's Argon2id.

#include <QObject>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "remote/SecureClientSession.h"
#include "remote/SecureKeyDeriver.h"

namespace dravel {

class TSecureKeyCache : public QObject {
  Q_OBJECT

 public:
  explicit TSecureKeyCache(std::string Password) : FPassword(std::move(Password)) {}
  // Hands the key for Salt and Cost to Ready, at once when known, else once derived.
  void Get(const TSecureSalt& Salt, const TSecureKeyCost& Cost, std::function<void(const TSecureLinkKey&)> Ready);

 private:
  std::string FPassword;
  std::optional<TSecureLinkKey> FKey;
  TSecureSalt FSalt{};
  TSecureKeyCost FCost{};
  std::vector<std::function<void(const TSecureLinkKey&)>> FWaiting;
  TSecureKeyDeriver FDeriver;
};

class TSecureLoadClient : public QObject {
  Q_OBJECT

 public:
  struct TEvents {
    std::function<void()> OnConnect;  // the handshake is done
    std::function<void(const std::uint8_t* Bytes, std::size_t Count)> OnReply;
    std::function<void(const std::string& Why)> OnError;
  };

  TSecureLoadClient(TSecureKeyCache& Keys, std::string Host, std::uint16_t Port, TEvents Events);

  void Open();
  bool Connected() const { return FSession && FSession->Established(); }
  // A sealed "W" when established, a new connection when not connected at all.
  void RequestStep();

 private:
  void Read();
  void Fail(const std::string& Why);
  void Send(const std::vector<std::uint8_t>& Bytes);

  TSecureKeyCache& FKeys;
  std::string FHost;
  std::uint16_t FPort;
  TEvents FEvents;
  QTcpSocket* FSocket = nullptr;  // child of this; replaced by each attempt
  std::unique_ptr<TSecureClientSession> FSession;
};

}  // namespace dravel
