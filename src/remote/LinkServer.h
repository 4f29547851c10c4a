#pragma once
// The server role of the monitoring link: listens on all IPv4 addresses, or on the one
// address it is given, closes at once a connection from a peer the allow-list refuses, and
// answers
// each read event whose last byte is "W" with the current 312-byte record, encrypted
// when the link password is not empty. Each connection keeps its own cipher chain,
// started at the IV when the connection is accepted, so that several encrypted clients
// can all read their replies. What one client, and all of them, may cost is bounded
// (LinkBudget.h): a read event over the budget is consumed without an answer and its
// connection rests a while, so a flood is held back by TCP rather than by our time.
//
// Beside that plain link the server speaks the authenticated mode of SecureLinkWire.h to a
// connection whose first byte is 0x00 (a plain client only ever sends "W"). Its key is
// derived from the link password off the event loop when the server opens and whenever
// RefreshSecureKey is called; handshakes that come before it is ready wait for it, all
// within the handshake limit. An empty password is allowed there too: the link is then
// still sealed against passive sniffing, though anyone can derive its key.

#include <QObject>
#include <QTcpServer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "platform/AddressFilter.h"
#include "remote/LinkBudget.h"
#include "remote/LinkCipher.h"
#include "remote/SecureKeyDeriver.h"
#include "remote/SecureServerSession.h"
#include "sampling/RawData.h"

namespace dravel {

// A socket call failed; what() is the message the user is shown.
class ESocketError : public std::runtime_error {
 public:
  ESocketError(int Code, const char* Api);
  int Code() const { return FCode; }

 private:
  int FCode;
};

constexpr std::uint16_t DefaultLinkPortNumber = 6130;
constexpr char LinkRequestByte = 'W';
constexpr qint64 ServerReadChunk = 10;
// A secure connection's read events: enough for a request frame and a half.
constexpr qint64 SecureServerReadChunk = 32;
// The whole secure handshake, from its first byte to the verdict.
constexpr int SecureHandshakeLimitMs = 5000;
constexpr qint64 ClientReadChunk = 1024;
// A connection whose peer does not read is dropped once this much waits to be sent.
constexpr qint64 ServerSendBacklogLimit = 64 * 1024;
// After a failed accept (out of descriptors or memory) accepting rests this long.
constexpr int AcceptPauseMs = 100;

// The most link connections held at once: a quarter of the open-files limit, so the rest
// of the program keeps descriptors, and never more than 256.
int DefaultLinkConnectionCap();

using TRecordBytes = std::array<std::uint8_t, RawDataSize>;

struct TLinkServerEvents {
  // The record to send, copied out by the owner (under whatever lock guards it).
  std::function<void(TRecordBytes& Out)> CurrentRecord;
  // The port is bound and listening is about to start (may derive the key).
  std::function<void()> OnListen;
  std::function<void()> OnAccept;
  // An error on one connection; the connection is closed.
  std::function<void()> OnClientError;
  // After each read event: how many bytes it took and whether a reply went out.
  std::function<void(std::size_t BytesRead, bool Replied)> OnClientRead;
  // Accepting failed for want of a resource; it resumes after AcceptPauseMs.
  std::function<void()> OnAcceptError;
  // The secure mode's key could not be derived (why); secure handshakes then time out.
  std::function<void(const std::string& Why)> OnSecureKeyError;
  // The secure mode's key is ready, after Open or RefreshSecureKey.
  std::function<void()> OnSecureKeyReady;
};

class TLinkServer : public QObject {
  Q_OBJECT

 public:
  // Password is the program's link password, read at every reply; Cipher the program's
  // one cipher. Both outlive the server.
  TLinkServer(TDCP_blowfish& Cipher, const std::string& Password, TLinkServerEvents Events,
              QObject* Parent = nullptr);
  ~TLinkServer() override;

  void SetPort(std::uint16_t Port) { FPort = Port; }
  // The address bound by the next Open, and the peers accepted from then on.
  void SetAccess(TListenAccess Access) { FAccess = std::move(Access); }
  // The configured port, or the bound one while active (port 0 binds any free port).
  std::uint16_t Port() const;
  bool Active() const { return FServer.isListening(); }
  int ConnectionCount() const;

  // Binds, runs OnListen, starts listening (backlog 5). Throws ESocketError when the
  // port cannot be bound; the server then stays closed.
  void Open();
  // Stops listening and closes every connection.
  void Close();

  // Past Cap connections, a new one closes the one that has gone longest without
  // sending anything, those that never sent a byte first.
  void SetConnectionCap(int Cap) { FConnectionCap = Cap; }
  // Takes effect for connections accepted afterwards, and for the total at once.
  void SetLimits(const TLinkLimits& Limits) { FBudget = TLinkBudget(Limits); }
  const TLinkBudget& Budget() const { return FBudget; }

  // The salt, cost and secure-only switch; a changed salt or cost derives the key again
  // when the server is open.
  void SetSecure(const TSecureLinkSettings& Settings);
  const TSecureLinkSettings& Secure() const { return FSecure; }
  // After the password changed while open: derives the key again when it must.
  void RefreshSecureKey();
  bool SecureKeyReady() const { return FSecureKey.has_value(); }
  // How long a secure handshake may take (tests shorten it).
  void SetHandshakeLimit(int Ms) { FHandshakeLimitMs = Ms; }

 private:
  struct TConnection;

  void Accept();
  void AcceptError();
  void MakeRoom(const QTcpSocket* Newcomer);
  void ClientRead(QTcpSocket& Socket, TConnection& Link, const std::vector<std::uint8_t>& Chunk);
  bool Answer(QTcpSocket& Socket, TConnection& Link);
  void StartSecure(QTcpSocket& Socket, TConnection& Link);
  bool SecureRead(QTcpSocket& Socket, TConnection& Link, const std::vector<std::uint8_t>& Chunk, bool MayAnswer);
  // Sends what the handshake has to say and closes a refused or failed connection.
  void SecureProgress(QTcpSocket& Socket, TConnection& Link);
  bool Send(QTcpSocket& Socket, const std::uint8_t* Bytes, std::size_t Count);
  void SecureKeyDerived(const std::optional<TSecureLinkKey>& Key, const std::string& Error);
  void ClientError(QTcpSocket& Socket, QAbstractSocket::SocketError Error);

  TDCP_blowfish& FCipher;
  const std::string& FPassword;
  TLinkServerEvents FEvents;
  QTcpServer FServer;
  std::uint16_t FPort = DefaultLinkPortNumber;
  TListenAccess FAccess;
  TLinkBudget FBudget;
  int FConnectionCap = DefaultLinkConnectionCap();
  std::unordered_map<const QTcpSocket*, std::unique_ptr<TConnection>> FConnections;
  TSecureLinkSettings FSecure;
  int FHandshakeLimitMs = SecureHandshakeLimitMs;
  // The key, and the password, salt and cost it was derived from (or is being derived).
  std::optional<TSecureLinkKey> FSecureKey;
  std::optional<TSecureKeyInputs> FKeyInputs;
  TSecureKeyDeriver FDeriver;
};

}  // namespace dravel
