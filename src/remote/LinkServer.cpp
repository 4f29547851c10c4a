#include "remote/LinkServer.h"

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
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

struct TLinkServer::TConnection {
  TConnection(const TChainBlock& IV, TLinkBudget::TAccount Budget, TPacedReader& Pacer)
      : Chain(IV), Account(Budget), Reader(Pacer), LastByte(TBudgetClock::now()) {}
  TChainBlock Chain;  // starts at the IV, whatever other connections sent before
  TLinkBudget::TAccount Account;
  TPacedReader& Reader;  // a child of the socket, as this record is the socket's
  TBudgetTime LastByte;  // when the peer last sent something, or was accepted
  bool Spoken = false;   // the peer has sent at least one byte
  // Set by the first byte: null for the plain link, else the secure mode's state.
  std::unique_ptr<TSecureServerSession> Secure;
};

int DefaultLinkConnectionCap() {
  rlimit Limit{};
  if (::getrlimit(RLIMIT_NOFILE, &Limit) != 0 || Limit.rlim_cur == RLIM_INFINITY) return 256;
  return static_cast<int>(std::clamp<rlim_t>(Limit.rlim_cur / 4, 4, 256));
}

ESocketError::ESocketError(int Code, const char* Api)
    : std::runtime_error(SocketErrorText(Code, Api)), FCode(Code) {}

TLinkServer::TLinkServer(TDCP_blowfish& Cipher, const std::string& Password,
                         TLinkServerEvents Events, QObject* Parent)
    : QObject(Parent), FCipher(Cipher), FPassword(Password), FEvents(std::move(Events)) {
  FServer.setMaxPendingConnections(ListenBacklog);
  connect(&FServer, &QTcpServer::newConnection, this, &TLinkServer::Accept);
  connect(&FServer, &QTcpServer::acceptError, this, &TLinkServer::AcceptError);
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
  const bool IPv6 = FAccess.Listen && !FAccess.Listen->IPv4;
  TDescriptor Socket(::socket(IPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (Socket.Get() < 0) throw ESocketError(errno, "socket");
  const int Yes = 1;
  // A restarted server may bind its port again while old connections linger in TIME_WAIT.
  ::setsockopt(Socket.Get(), SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
  sockaddr_storage Address{};
  socklen_t Size = 0;
  if (IPv6) {
    auto& V6 = reinterpret_cast<sockaddr_in6&>(Address);
    V6.sin6_family = AF_INET6;
    std::memcpy(V6.sin6_addr.s6_addr, FAccess.Listen->Bytes.data(), 16);
    V6.sin6_port = htons(FPort);
    Size = sizeof V6;
  } else {
    auto& V4 = reinterpret_cast<sockaddr_in&>(Address);
    V4.sin_family = AF_INET;
    V4.sin_addr.s_addr = htonl(INADDR_ANY);
    if (FAccess.Listen) std::memcpy(&V4.sin_addr.s_addr, FAccess.Listen->Bytes.data() + 12, 4);
    V4.sin_port = htons(FPort);
    Size = sizeof V4;
  }
  if (::bind(Socket.Get(), reinterpret_cast<const sockaddr*>(&Address), Size) != 0)
    throw ESocketError(errno, "bind");
  if (FEvents.OnListen) FEvents.OnListen();
  if (::listen(Socket.Get(), ListenBacklog) != 0) throw ESocketError(errno, "listen");
  if (!FServer.setSocketDescriptor(Socket.Get())) throw ESocketError(EBADF, "listen");
  Socket.Release();
  FPort = FServer.serverPort();
  RefreshSecureKey();
}

void TLinkServer::SetSecure(const TSecureLinkSettings& Settings) {
  FSecure = Settings;
  RefreshSecureKey();
}

void TLinkServer::RefreshSecureKey() {
  if (!Active()) return;
  TSecureKeyInputs Inputs{FPassword, FSecure.Salt, FSecure.Cost};
  if (FKeyInputs == Inputs) return;
  FSecureKey.reset();
  FKeyInputs = std::move(Inputs);
  FDeriver.Derive(FPassword, FSecure.Salt, FSecure.Cost,
                  [this](const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
                    SecureKeyDerived(Key, Error);
                  });
}

void TLinkServer::SecureKeyDerived(const std::optional<TSecureLinkKey>& Key, const std::string& Error) {
  if (!Key) {
    FKeyInputs.reset();  // the next refresh tries again
    if (FEvents.OnSecureKeyError) FEvents.OnSecureKeyError(Error);
    return;
  }
  FSecureKey = *Key;
  // Handshakes that came first have waited for it.
  for (auto& [Socket, Link] : FConnections) {
    if (!Link->Secure || !Link->Secure->NeedsKey()) continue;
    Link->Secure->SetKey(*FSecureKey);
    SecureProgress(*const_cast<QTcpSocket*>(Socket), *Link);
  }
  if (FEvents.OnSecureKeyReady) FEvents.OnSecureKeyReady();
}

void TLinkServer::Close() {
  if (FServer.isListening()) FServer.close();
  for (QTcpSocket* Socket : FServer.findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
    Socket->disconnect(this);
    Socket->abort();
    Socket->setParent(nullptr);
    Socket->deleteLater();
  }
  FConnections.clear();
}

void TLinkServer::Accept() {
  while (QTcpSocket* Socket = FServer.nextPendingConnection()) {
    if (!FAccess.Allow.AllowsEveryone()) {
      // Refused before anything is read from it.
      const auto Peer = PeerNetAddress(static_cast<int>(Socket->socketDescriptor()));
      if (!Peer || !FAccess.Allow.Allows(*Peer)) {
        Socket->abort();
        Socket->deleteLater();
        continue;
      }
    }
    auto* Reader = new TPacedReader(*Socket, ServerReadChunk, ServerReadChunk * 100,
                                    [this, Socket](const std::vector<std::uint8_t>& Chunk) {
                                      const auto Found = FConnections.find(Socket);
                                      if (Found != FConnections.end())
                                        ClientRead(*Socket, *Found->second, Chunk);
                                    });
    FConnections[Socket] = std::make_unique<TConnection>(
        FCipher.IV(), FBudget.Open(TBudgetClock::now()), *Reader);
    connect(Socket, &QTcpSocket::errorOccurred, this,
            [this, Socket](QAbstractSocket::SocketError Error) { ClientError(*Socket, Error); });
    connect(Socket, &QTcpSocket::disconnected, Socket, &QObject::deleteLater);
    connect(Socket, &QObject::destroyed, this, [this, Socket] { FConnections.erase(Socket); });
    MakeRoom(Socket);
    if (FEvents.OnAccept) FEvents.OnAccept();
  }
}

void TLinkServer::AcceptError() {
  // Out of descriptors or memory: the waiting connection stays queued, and trying again
  // at once would only spin, so accepting rests and then resumes.
  FServer.pauseAccepting();
  QTimer::singleShot(AcceptPauseMs, this, [this] {
    if (FServer.isListening()) FServer.resumeAccepting();
  });
  if (FEvents.OnAcceptError) FEvents.OnAcceptError();
}

void TLinkServer::MakeRoom(const QTcpSocket* Newcomer) {
  while (static_cast<int>(FConnections.size()) > std::max(FConnectionCap, 1)) {
    // The quietest goes: silent since accepted before anyone who has spoken, and the
    // longest silent among either.
    auto Victim = FConnections.end();
    for (auto It = FConnections.begin(); It != FConnections.end(); ++It) {
      if (It->first == Newcomer) continue;
      const TConnection& Link = *It->second;
      if (Victim == FConnections.end() ||
          std::make_pair(Link.Spoken, Link.LastByte) <
              std::make_pair(Victim->second->Spoken, Victim->second->LastByte))
        Victim = It;
    }
    if (Victim == FConnections.end()) return;
    auto* Socket = const_cast<QTcpSocket*>(Victim->first);
    FConnections.erase(Victim);
    Socket->disconnect(this);
    Socket->abort();
    Socket->deleteLater();
  }
}

void TLinkServer::ClientRead(QTcpSocket& Socket, TConnection& Link,
                             const std::vector<std::uint8_t>& Chunk) {
  const TCpuTime Start = ThreadCpuTime();
  const TBudgetTime Now = TBudgetClock::now();
  if (!Link.Spoken && !Chunk.empty()) {
    // The first byte tells the two modes apart.
    if (Chunk.front() == SecureLinkMagic.front()) {
      StartSecure(Socket, Link);
    } else if (FSecure.SecureOnly) {
      Socket.abort();  // the plain link is refused, without an answer
      return;
    }
  }
  Link.LastByte = Now;
  Link.Spoken = true;
  std::size_t BytesRead = Chunk.size();
  bool Replied = false;
  const bool MayAnswer = FBudget.MayAnswer(Link.Account, Now);
  if (Link.Secure) {
    Replied = SecureRead(Socket, Link, Chunk, MayAnswer);
  } else if (!MayAnswer) {
    // Over the budget: what has come is consumed unanswered.
    BytesRead += static_cast<std::size_t>(Link.Reader.Drain());
  } else if (!Chunk.empty() && Chunk.back() == static_cast<std::uint8_t>(LinkRequestByte)) {
    // Only the last byte of a read counts; one reply per read event at most.
    Replied = Answer(Socket, Link);
  }
  if (!MayAnswer) {
    // The connection is not read again until its budget allows an answer.
    const auto Rest = std::chrono::ceil<std::chrono::milliseconds>(FBudget.Rest(Link.Account));
    Link.Reader.Rest(static_cast<int>(Rest.count()));
  }
  FBudget.Charge(Link.Account, ThreadCpuTime() - Start, Replied);
  if (FEvents.OnClientRead) FEvents.OnClientRead(BytesRead, Replied);
}

void TLinkServer::StartSecure(QTcpSocket& Socket, TConnection& Link) {
  Link.Secure = std::make_unique<TSecureServerSession>(FSecure.Salt, FSecure.Cost);
  if (FSecureKey) Link.Secure->SetKey(*FSecureKey);
  Link.Reader.SetMaxChunk(SecureServerReadChunk);
  auto* Deadline = new QTimer(&Socket);
  Deadline->setSingleShot(true);
  connect(Deadline, &QTimer::timeout, this, [this, Target = &Socket] {
    const auto Found = FConnections.find(Target);
    if (Found != FConnections.end() && !Found->second->Secure->Established()) Target->abort();
  });
  Deadline->start(FHandshakeLimitMs);
}

bool TLinkServer::SecureRead(QTcpSocket& Socket, TConnection& Link, const std::vector<std::uint8_t>& Chunk,
                             bool MayAnswer) {
  // Even over the budget every byte is taken, as dropping one would break the frames;
  // only the answer is left out, which the numbering of replies allows.
  const std::size_t Requests = Link.Secure->Feed(Chunk.data(), Chunk.size());
  SecureProgress(Socket, Link);
  // One reply per read event at most, as for the plain link.
  return Requests > 0 && MayAnswer && Link.Secure->Established() && Answer(Socket, Link);
}

void TLinkServer::SecureProgress(QTcpSocket& Socket, TConnection& Link) {
  const std::vector<std::uint8_t> Output = Link.Secure->TakeOutput();
  if (!Output.empty()) Send(Socket, Output.data(), Output.size());
  switch (Link.Secure->State()) {
    case TSecureServerSession::TState::Refused:
      Socket.disconnectFromHost();  // after the refusal byte has gone
      break;
    case TSecureServerSession::TState::Failed:
      Socket.abort();
      break;
    default:
      break;
  }
}

bool TLinkServer::Answer(QTcpSocket& Socket, TConnection& Link) {
  if (Socket.state() != QAbstractSocket::ConnectedState) return false;
  const std::size_t ReplySize = Link.Secure ? 2 + RawDataSize + SecureTagSize : RawDataSize;
  if (Socket.bytesToWrite() + static_cast<qint64>(ReplySize) > ServerSendBacklogLimit) {
    Socket.abort();  // the peer has stopped reading
    return false;
  }
  TRecordBytes Reply{};
  if (FEvents.CurrentRecord) FEvents.CurrentRecord(Reply);
  if (Link.Secure) {
    const std::vector<std::uint8_t> Frame = Link.Secure->SealReply(Reply.data(), Reply.size());
    return Send(Socket, Frame.data(), Frame.size());
  }
  const bool Encrypt = !FPassword.empty();
  // A password without a key (none derived yet) must not send the record in clear.
  if (Encrypt && !FCipher.Initialized()) return false;
  if (Encrypt) FCipher.EncryptChained(Link.Chain, Reply.data(), Reply.data(), Reply.size());
  return Send(Socket, Reply.data(), Reply.size());
}

bool TLinkServer::Send(QTcpSocket& Socket, const std::uint8_t* Bytes, std::size_t Count) {
  // Handed to the socket, which sends it from the event loop once this event is done.
  return Socket.write(reinterpret_cast<const char*>(Bytes), static_cast<qint64>(Count)) ==
         static_cast<qint64>(Count);
}

void TLinkServer::ClientError(QTcpSocket& Socket, QAbstractSocket::SocketError Error) {
  // A peer that hangs up is a normal end, not an error.
  if (Error != QAbstractSocket::RemoteHostClosedError && FEvents.OnClientError)
    FEvents.OnClientError();
  Socket.abort();
}

}  // namespace dravel
