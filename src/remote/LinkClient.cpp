#include "remote/LinkClient.h"

#include <algorithm>

#include "remote/LinkServer.h"
#include "remote/PacedReader.h"

namespace dravel {

TLinkClient::TLinkClient(TDCP_blowfish& Cipher, const std::string& Password,
                         TLinkClientEvents Events, QObject* Parent)
    : QObject(Parent), FCipher(Cipher), FPassword(Password), FEvents(std::move(Events)) {}

bool TLinkClient::Connected() const {
  return FSocket && FSocket->state() == QAbstractSocket::ConnectedState;
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
  FReply.clear();
  FUnanswered = 0;
  FAttemptAge.start();
  FSinceLastByte.start();
  QTcpSocket* Socket = FSocket;
  new TPacedReader(*Socket, ClientReadChunk, ClientReadChunk * 4,
                   [this](const std::vector<std::uint8_t>& Chunk) { Read(Chunk); });
  connect(Socket, &QTcpSocket::connected, this, [this] {
    FSinceLastByte.start();
    // Each connection starts its chain at the IV, as the server starts its side.
    if (FCipher.Initialized()) FCipher.RestartChain();
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
  std::vector<std::uint8_t> Bytes = Chunk;
  if (!FPassword.empty()) {
    if (!FCipher.Initialized()) return;  // no key: nothing readable can come of it
    FCipher.DecryptChained(Bytes.data(), Bytes.data(), Bytes.size());
  }
  if (FEvents.OnReadEvent) FEvents.OnReadEvent(Bytes.data(), Bytes.size());
  for (std::size_t At = 0; At < Bytes.size();) {
    const std::size_t Take = std::min(RawDataSize - FReply.size(), Bytes.size() - At);
    FReply.insert(FReply.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(At),
                  Bytes.begin() + static_cast<std::ptrdiff_t>(At + Take));
    At += Take;
    if (FReply.size() < RawDataSize) break;
    if (FReply.front() == static_cast<std::uint8_t>(RecordMarker)) {
      if (FEvents.OnReply) FEvents.OnReply(FReply.data(), FReply.size());
    } else if (FEvents.OnUnreadable) {
      FEvents.OnUnreadable();
    }
    FReply.clear();
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
