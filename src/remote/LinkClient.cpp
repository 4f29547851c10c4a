#include "remote/LinkClient.h"

#include "remote/LinkServer.h"
#include "remote/PacedReader.h"

#include <utility>

namespace dravel {

TLinkClient::TLinkClient(TDCP_blowfish& Cipher, const std::string& Password,
                         TLinkClientEvents Events, QObject* Parent)
    : QObject(Parent), FCipher(Cipher), FPassword(Password), FEvents(std::move(Events)),
      FStream([this](const std::uint8_t* Bytes, std::size_t Count) { Reply(Bytes, Count); }) {
  FHandshakeLimit.setSingleShot(true);
  FHandshakeLimit.setTimerType(Qt::PreciseTimer);  // a coarse one may end it early
  FHandshakeLimit.setInterval(HandshakeLimitMs);
  connect(&FHandshakeLimit, &QTimer::timeout, this, [this] {
    if (Handshaking())
      Drop("no authenticated handshake from the server within " +
           std::to_string(FHandshakeLimit.interval()) + " ms (is its authenticated mode on?)");
  });
}

bool TLinkClient::Connected() const {
  return FSocket && FSocket->state() == QAbstractSocket::ConnectedState &&
         (!FSession || FSession->Established());
}

void TLinkClient::SetSecure(bool Secure) {
  if (Secure == FSecure) return;
  FSecure = Secure;
  if (FSocket) Open();
}

void TLinkClient::Close() {
  ++FAttempt;  // a key still being derived for this attempt finds it gone
  FHandshakeLimit.stop();
  FSession.reset();
  if (!FSocket) return;
  FSocket->disconnect(this);
  FSocket->abort();
  FSocket->deleteLater();
  FSocket = nullptr;
}

void TLinkClient::Open() {
  Close();
  // A fresh socket per attempt: nothing of an abandoned attempt can report later.
  FSocket = new QTcpSocket(this);
  // Each connection cuts replies from its own start, and its chain starts at the IV, as
  // the server starts its side.
  FStream.Restart();
  if (FSecure) FSession.emplace();
  FUnanswered = 0;
  FAttemptAge.start();
  FSinceLastByte.start();
  QTcpSocket* Socket = FSocket;
  new TPacedReader(*Socket, ClientReadChunk, ClientReadChunk * 4,
                   [this](const std::vector<std::uint8_t>& Chunk) { Read(Chunk); });
  connect(Socket, &QTcpSocket::connected, this, [this] {
    FSinceLastByte.start();
    if (FSession) {
      FHandshakeLimit.start();
      Send(FSession->TakeOutput());  // the hello; the link is up once the server agrees
      return;
    }
    if (FEvents.OnConnect) FEvents.OnConnect();
  });
  connect(Socket, &QTcpSocket::errorOccurred, this, &TLinkClient::Error);
  Socket->connectToHost(QString::fromLatin1(FHost.data(), static_cast<qsizetype>(FHost.size())),
                        FPort, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

bool TLinkClient::Connecting() const {
  return FSocket && (FSocket->state() == QAbstractSocket::HostLookupState ||
                     FSocket->state() == QAbstractSocket::ConnectingState || Handshaking());
}

bool TLinkClient::Handshaking() const {
  return FSession && !FSession->Established() && FSocket &&
         FSocket->state() == QAbstractSocket::ConnectedState;
}

void TLinkClient::Send(const std::vector<std::uint8_t>& Bytes) {
  if (FSocket && !Bytes.empty())
    FSocket->write(reinterpret_cast<const char*>(Bytes.data()), static_cast<qint64>(Bytes.size()));
}

void TLinkClient::RequestStep() {
  if (Connected() && FUnanswered >= FStallRequests &&
      FSinceLastByte.elapsed() >= FStallMs) {
    // A connection that has stopped answering (a peer gone without a word, or one the
    // server never took off its listen queue) is given up, as a failed one would be.
    Close();
    if (FEvents.OnError) FEvents.OnError("the server stopped answering");
    Open();
  } else if (Connected()) {
    if (FSession) {
      Send(FSession->SealRequest());
    } else {
      const char Request = LinkRequestByte;
      FSocket->write(&Request, 1);
    }
    ++FUnanswered;
  } else if (!Connecting() || FAttemptAge.hasExpired(ConnectAttemptLimitMs)) {
    // A young attempt (or handshake, bounded by its own limit) is left to finish, or a
    // server further away than one tick could never be reached; an old one is closed
    // before the next starts.
    Open();
  }
}

void TLinkClient::Read(const std::vector<std::uint8_t>& Chunk) {
  FUnanswered = 0;
  FSinceLastByte.start();
  if (FEvents.OnReadEvent) FEvents.OnReadEvent(Chunk.size());
  if (FSession) return ReadSecure(Chunk);
  const bool Encrypted = !FPassword.empty();
  if (Encrypted && !FCipher.Initialized()) return;  // no key: nothing readable can come of it
  FStream.Add(Encrypted ? &FCipher : nullptr, Chunk.data(), Chunk.size());
}

void TLinkClient::ReadSecure(const std::vector<std::uint8_t>& Chunk) {
  using TState = TSecureClientSession::TState;
  // While the key is derived the server waits for the proof and has nothing to say.
  if (FSession->State() == TState::NeedsKey)
    return Drop("the server sent bytes out of turn during the handshake");
  const bool WasEstablished = FSession->Established();
  const std::uint64_t Attempt = FAttempt;
  FSession->Feed(Chunk.data(), Chunk.size(),
                 [this](const std::uint8_t* Bytes, std::size_t Count) { Reply(Bytes, Count); });
  if (Attempt != FAttempt || !FSession) return;  // a reply's handler closed the link
  switch (FSession->State()) {
    case TState::NeedsKey:
      return NeedKey();
    case TState::Established:
      if (WasEstablished) return;
      FHandshakeLimit.stop();
      FRefusalTold = false;
      if (FEvents.OnConnect) FEvents.OnConnect();
      return;
    case TState::Refused:
      Close();
      // Every attempt with this password meets the same answer; it is told once.
      if (std::exchange(FRefusalTold, true)) return;
      if (FEvents.OnRefused) FEvents.OnRefused();
      return;
    case TState::Failed:
      return Drop(FSession->Failure());
    case TState::Challenge:
    case TState::Verdict:
      return;
  }
}

void TLinkClient::NeedKey() {
  const std::uint64_t Attempt = FAttempt;
  FKeys->Get(FPassword, FSession->Salt(), FSession->Cost(),
            [this, Attempt](const TSecureLinkKey* Key, const std::string& Why) {
              // The attempt may have ended (closed, timed out) while the key was made.
              if (Attempt != FAttempt || !FSession) return;
              if (!Key) return Drop(Why);
              FSession->SetKey(*Key);
              Send(FSession->TakeOutput());  // the proof
            });
}

void TLinkClient::Drop(std::string Why) {
  Close();
  if (FEvents.OnError) FEvents.OnError(Why);
}

void TLinkClient::Reply(const std::uint8_t* Bytes, std::size_t Count) {
  if (Count == RawDataSize && Bytes[0] == static_cast<std::uint8_t>(RecordMarker)) {
    if (FEvents.OnReply) FEvents.OnReply(Bytes, Count);
  } else if (FEvents.OnUnreadable) {
    FEvents.OnUnreadable();
  }
}

void TLinkClient::Error(QAbstractSocket::SocketError Error) {
  if (Error == QAbstractSocket::RemoteHostClosedError) {
    // The server hanging up runs nothing; the next step finds the client unconnected.
    if (!FSession || FSession->Established()) return;
    // In the handshake it is an answer, though: a refusal comes just before the close, so
    // what is still unread is read first; a close without a verdict is an old server, or
    // one without the authenticated mode, that took the hello for requests.
    const QByteArray Rest = FSocket->readAll();  // within the socket's read buffer limit
    const std::uint64_t Attempt = FAttempt;
    if (!Rest.isEmpty())
      ReadSecure({reinterpret_cast<const std::uint8_t*>(Rest.data()),
                  reinterpret_cast<const std::uint8_t*>(Rest.data()) + Rest.size()});
    if (Attempt == FAttempt && FSession && !FSession->Established())
      Drop("the server closed the link during the authenticated handshake");
    return;
  }
  const std::string Why = FSocket ? FSocket->errorString().toStdString() : std::string();
  Drop(Why);
}

}  // namespace dravel
