#include "remote/LinkClient.h"

#include "remote/LinkServer.h"
#include "remote/PacedReader.h"

namespace dravel {

TLinkClient::TLinkClient(TDCP_blowfish& Cipher, const std::string& Password,
                         TLinkClientEvents Events, QObject* Parent)
    : QObject(Parent), FCipher(Cipher), FPassword(Password), FEvents(std::move(Events)),
      FStream([this](const std::uint8_t* Bytes, std::size_t Count) { Reply(Bytes, Count); }) {}

bool TLinkClient::Connected() const {
  return FSocket && FSocket->state() == QAbstractSocket::ConnectedState;
}

void TLinkClient::SetSecure(bool Secure) {
  if (Secure == FSecure) return;
  FSecure = Secure;
  if (FSocket) Open();
}

void TLinkClient::Close() {
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
  FUnanswered = 0;
  FAttemptAge.start();
  FSinceLastByte.start();
  QTcpSocket* Socket = FSocket;
  new TPacedReader(*Socket, ClientReadChunk, ClientReadChunk * 4,
                   [this](const std::vector<std::uint8_t>& Chunk) { Read(Chunk); });
  connect(Socket, &QTcpSocket::connected, this, [this] {
    FSinceLastByte.start();
    if (FEvents.OnConnect) FEvents.OnConnect();
  });
  connect(Socket, &QTcpSocket::errorOccurred, this, &TLinkClient::Error);
  Socket->connectToHost(QString::fromLatin1(FHost.data(), static_cast<qsizetype>(FHost.size())),
                        FPort, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

bool TLinkClient::Connecting() const {
  return FSocket && (FSocket->state() == QAbstractSocket::HostLookupState ||
                     FSocket->state() == QAbstractSocket::ConnectingState);
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
    const char Request = LinkRequestByte;
    FSocket->write(&Request, 1);
    ++FUnanswered;
  } else if (!Connecting() || FAttemptAge.hasExpired(ConnectAttemptLimitMs)) {
    // A young attempt is left to finish, or a server further away than one tick could
    // never be reached; an old one is closed before the next starts.
    Open();
  }
}

void TLinkClient::Read(const std::vector<std::uint8_t>& Chunk) {
  FUnanswered = 0;
  FSinceLastByte.start();
  if (FEvents.OnReadEvent) FEvents.OnReadEvent(Chunk.size());
  const bool Encrypted = !FPassword.empty();
  if (Encrypted && !FCipher.Initialized()) return;  // no key: nothing readable can come of it
  FStream.Add(Encrypted ? &FCipher : nullptr, Chunk.data(), Chunk.size());
}

void TLinkClient::Reply(const std::uint8_t* Bytes, std::size_t Count) {
  if (Bytes[0] == static_cast<std::uint8_t>(RecordMarker)) {
    if (FEvents.OnReply) FEvents.OnReply(Bytes, Count);
  } else if (FEvents.OnUnreadable) {
    FEvents.OnUnreadable();
  }
}

void TLinkClient::Error(QAbstractSocket::SocketError Error) {
  // The server hanging up runs nothing; the next step finds the client unconnected.
  if (Error == QAbstractSocket::RemoteHostClosedError) return;
  const std::string Why = FSocket ? FSocket->errorString().toStdString() : std::string();
  Close();
  if (FEvents.OnError) FEvents.OnError(Why);
}

}  // namespace dravel
