#include "remote/LinkServer.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QTcpSocket>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "remote/PacedReader.h"

namespace dravel {

namespace {

std::string SocketErrorText(int Code, const char* Api) {
  // The message keeps the wording users of the panel know, whatever the system.
  char Text[512];
  std::snprintf(Text, sizeof Text, "Windows socket error: %s (%d), on API '%s'",
                std::strerror(Code), Code, Api);
  return Text;
}

constexpr int ListenBacklog = 5;

// Closes the descriptor unless released.
class TDescriptor {
 public:
  explicit TDescriptor(int Fd) : FFd(Fd) {}
  ~TDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const { return FFd; }
  int Release() { return std::exchange(FFd, -1); }

 private:
  int FFd;
};

}  // namespace

ESocketError::ESocketError(int Code, const char* Api)
    : std::runtime_error(SocketErrorText(Code, Api)), FCode(Code) {}

TLinkServer::TLinkServer(TDCP_blowfish& Cipher, const std::string& Password,
                         TLinkServerEvents Events, QObject* Parent)
    : QObject(Parent), FCipher(Cipher), FPassword(Password), FEvents(std::move(Events)) {
  FServer.setMaxPendingConnections(ListenBacklog);
  connect(&FServer, &QTcpServer::newConnection, this, &TLinkServer::Accept);
}

TLinkServer::~TLinkServer() {
  // The connections go with FServer; none of their signals may reach a dying server.
  for (QTcpSocket* Socket : FServer.findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly))
    Socket->disconnect(this);
  FServer.close();
}

std::uint16_t TLinkServer::Port() const { return Active() ? FServer.serverPort() : FPort; }

int TLinkServer::ConnectionCount() const {
  return static_cast<int>(FServer.findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly).size());
}

void TLinkServer::Open() {
  if (Active()) return;
  // Bound and listened by hand, so that the listen event runs between the two steps.
  TDescriptor Socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (Socket.Get() < 0) throw ESocketError(errno, "socket");
  const int Yes = 1;
  // A restarted server may bind its port again while old connections linger in TIME_WAIT.
  ::setsockopt(Socket.Get(), SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_ANY);
  Address.sin_port = htons(FPort);
  if (::bind(Socket.Get(), reinterpret_cast<const sockaddr*>(&Address), sizeof Address) != 0)
    throw ESocketError(errno, "bind");
  if (FEvents.OnListen) FEvents.OnListen();
  if (::listen(Socket.Get(), ListenBacklog) != 0) throw ESocketError(errno, "listen");
  if (!FServer.setSocketDescriptor(Socket.Get())) throw ESocketError(EBADF, "listen");
  Socket.Release();
  FPort = FServer.serverPort();
}

void TLinkServer::Close() {
  if (FServer.isListening()) FServer.close();
  for (QTcpSocket* Socket : FServer.findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
    Socket->disconnect(this);
    Socket->abort();
    Socket->setParent(nullptr);
    Socket->deleteLater();
  }
}

void TLinkServer::Accept() {
  while (QTcpSocket* Socket = FServer.nextPendingConnection()) {
    // Each connection's chain starts at the IV, whatever other connections sent before.
    auto Chain = std::make_shared<TChainBlock>(FCipher.IV());
    new TPacedReader(*Socket, ServerReadChunk, ServerReadChunk * 100,
                     [this, Socket, Chain](const std::vector<std::uint8_t>& Chunk) {
                       ClientRead(*Socket, *Chain, Chunk);
                     });
    connect(Socket, &QTcpSocket::errorOccurred, this,
            [this, Socket](QAbstractSocket::SocketError Error) { ClientError(*Socket, Error); });
    connect(Socket, &QTcpSocket::disconnected, Socket, &QObject::deleteLater);
    if (FEvents.OnAccept) FEvents.OnAccept();
  }
}

void TLinkServer::ClientRead(QTcpSocket& Socket, TChainBlock& Chain,
                             const std::vector<std::uint8_t>& Chunk) {
  // Only the last byte of a read counts; one reply per read event at most.
  const bool Wanted = !Chunk.empty() && Chunk.back() == static_cast<std::uint8_t>(LinkRequestByte);
  bool Replied = false;
  if (Wanted && Socket.state() == QAbstractSocket::ConnectedState) {
    if (Socket.bytesToWrite() + static_cast<qint64>(RawDataSize) > ServerSendBacklogLimit) {
      Socket.abort();  // the peer has stopped reading
    } else {
      TRecordBytes Reply{};
      if (FEvents.CurrentRecord) FEvents.CurrentRecord(Reply);
      const bool Encrypt = !FPassword.empty();
      // A password without a key (none derived yet) must not send the record in clear.
      if (!Encrypt || FCipher.Initialized()) {
        if (Encrypt) FCipher.EncryptChained(Chain, Reply.data(), Reply.data(), Reply.size());
        Replied = Socket.write(reinterpret_cast<const char*>(Reply.data()), Reply.size()) ==
                  static_cast<qint64>(Reply.size());
      }
    }
  }
  if (FEvents.OnClientRead) FEvents.OnClientRead(Chunk.size(), Replied);
}

void TLinkServer::ClientError(QTcpSocket& Socket, QAbstractSocket::SocketError Error) {
  // A peer that hangs up is a normal end, not an error.
  if (Error != QAbstractSocket::RemoteHostClosedError && FEvents.OnClientError)
    FEvents.OnClientError();
  Socket.abort();
}

}  // namespace dravel
