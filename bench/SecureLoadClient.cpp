#include "SecureLoadClient.h"

#include <QPointer>

namespace dravel {

void TSecureKeyCache::Get(const TSecureSalt& Salt, const TSecureKeyCost& Cost,
                          std::function<void(const TSecureLinkKey&)> Ready) {
  if (FKey && FSalt == Salt && FCost == Cost) {
    Ready(*FKey);
    return;
  }
  if (!(FSalt == Salt && FCost == Cost)) {
    FKey.reset();
    FWaiting.clear();
    FSalt = Salt;
    FCost = Cost;
  }
  FWaiting.push_back(std::move(Ready));
  if (FWaiting.size() > 1) return;  // already being derived
  FDeriver.Derive(FPassword, Salt, Cost, [this](const std::optional<TSecureLinkKey>& Key, const std::string&) {
    if (!Key) return;
    FKey = *Key;
    for (const auto& Waiting : std::exchange(FWaiting, {})) Waiting(*FKey);
  });
}

TSecureLoadClient::TSecureLoadClient(TSecureKeyCache& Keys, std::string Host, std::uint16_t Port, TEvents Events)
    : FKeys(Keys), FHost(std::move(Host)), FPort(Port), FEvents(std::move(Events)) {}

void TSecureLoadClient::Open() {
  if (FSocket) FSocket->deleteLater();
  FSocket = new QTcpSocket(this);
  FSession = std::make_unique<TSecureClientSession>();
  connect(FSocket, &QTcpSocket::connected, this, [this] { Send(FSession->TakeOutput()); });
  connect(FSocket, &QTcpSocket::readyRead, this, &TSecureLoadClient::Read);
  connect(FSocket, &QTcpSocket::errorOccurred, this, [this] { Fail(FSocket->errorString().toStdString()); });
  FSocket->connectToHost(QString::fromStdString(FHost), FPort);
}

void TSecureLoadClient::RequestStep() {
  if (Connected()) {
    Send(FSession->SealRequest());
  } else if (!FSocket || FSocket->state() == QAbstractSocket::UnconnectedState) {
    Open();
  }
}

void TSecureLoadClient::Send(const std::vector<std::uint8_t>& Bytes) {
  if (FSocket && !Bytes.empty()) FSocket->write(reinterpret_cast<const char*>(Bytes.data()), static_cast<qint64>(Bytes.size()));
}

void TSecureLoadClient::Fail(const std::string& Why) {
  if (FEvents.OnError) FEvents.OnError(Why);
  if (FSocket) FSocket->abort();
}

void TSecureLoadClient::Read() {
  const QByteArray Bytes = FSocket->readAll();
  const bool WasEstablished = FSession->Established();
  FSession->Feed(reinterpret_cast<const std::uint8_t*>(Bytes.data()), static_cast<std::size_t>(Bytes.size()),
                 [this](const std::uint8_t* Plain, std::size_t Count) {
                   if (FEvents.OnReply) FEvents.OnReply(Plain, Count);
                 });
  if (FSession->Refused() || FSession->Failed()) {
    Fail(FSession->Failure());
  } else if (FSession->State() == TSecureClientSession::TState::NeedsKey) {
    QPointer<TSecureLoadClient> Self(this);
    TSecureClientSession* Session = FSession.get();
    FKeys.Get(Session->Salt(), Session->Cost(), [Self, Session](const TSecureLinkKey& Key) {
      // The connection may have been replaced meanwhile.
      if (!Self || Self->FSession.get() != Session) return;
      Session->SetKey(Key);
      Self->Send(Session->TakeOutput());
    });
  } else if (!WasEstablished && FSession->Established() && FEvents.OnConnect) {
    FEvents.OnConnect();
  }
}

}  // namespace dravel
