#pragma once
// The client role of the monitoring link: one TCP connection to a server, a "W" request
// per step while connected and a new attempt per step while not, read events of at most
// 1024 bytes, decrypted with the program's cipher when the link password is not empty.
// In the authenticated mode each connection first runs the handshake (the key derived off
// the event loop, at most HandshakeLimitMs for all of it), then requests and replies travel
// as sealed frames; a frame that does not open ends the connection as an error does.

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "remote/LinkCipher.h"
#include "remote/LinkStream.h"
#include "remote/SecureClientSession.h"
#include "remote/SecureKeySource.h"

namespace dravel {

// Replies are whole records of 312 bytes from the start of each connection, so the client
// cuts the stream into replies itself: a reply that does not begin with "W" (a wrong or
// missing password) is dropped whole, and no garbage can be taken for a record by
// resynchronising on a stray "W" inside it.
struct TLinkClientEvents {
  // The connection is up (in the authenticated mode: the handshake has been accepted).
  std::function<void()> OnConnect;
  // Each whole reply that begins with "W", already decrypted where the link is encrypted.
  std::function<void(const std::uint8_t* Bytes, std::size_t Count)> OnReply;
  // A whole reply that did not begin with "W" was dropped.
  std::function<void()> OnUnreadable;
  // The number of bytes each read event took (at most 1024).
  std::function<void(std::size_t Count)> OnReadEvent;
  // A connect, lookup, read or send error (with the system's text for it); the attempt
  // or connection is dropped.
  std::function<void(const std::string& Why)> OnError;
  // Authenticated mode: the server turned the password down. Raised once, and again only
  // after a link has been accepted in between, however often the client tries again.
  std::function<void()> OnRefused;
};

// What the user is told when the server refuses the link password.
inline constexpr const char* LinkPasswordRefusedText = "The server refused the link password";

class TLinkClient : public QObject {
  Q_OBJECT

 public:
  TLinkClient(TDCP_blowfish& Cipher, const std::string& Password, TLinkClientEvents Events,
              QObject* Parent = nullptr);

  void SetHost(const std::string& Host) { FHost = Host; }
  void SetPort(std::uint16_t Port) { FPort = Port; }
  const std::string& Host() const { return FHost; }
  std::uint16_t Port() const { return FPort; }
  bool Connected() const;
  // Authenticated mode for the attempts that follow; a change starts a pending attempt or
  // an open connection again.
  void SetSecure(bool Secure);
  bool Secure() const { return FSecure; }
  // The whole handshake, from the connection being up to the server's accepted proof.
  static constexpr int HandshakeLimitMs = 5000;
  void SetHandshakeLimit(int Ms) { FHandshakeLimit.setInterval(Ms); }
  const TSecureKeySource& Keys() const { return *FKeys; }
  // Keys made by Keys instead of the client's own source (many clients of one server, as
  // in a load test, then derive each key once); Keys outlives the client.
  void ShareKeys(TSecureKeySource& Keys) { FKeys = &Keys; }

  // Starts a connection attempt; a pending attempt or an old connection is closed first.
  void Open();
  void Close();
  // The client request step: "W" when connected, otherwise a new attempt (an attempt
  // still in progress is left to finish for up to ConnectAttemptLimitMs).
  void RequestStep();
  static constexpr qint64 ConnectAttemptLimitMs = 10000;
  // A connection that has left Requests requests unanswered for Ms milliseconds is
  // closed and a new attempt started, reported as an error (default 10 and 10 s).
  void SetStallLimit(int Requests, qint64 Ms) {
    FStallRequests = Requests;
    FStallMs = Ms;
  }

 private:
  bool Connecting() const;
  bool Handshaking() const;
  void Send(const std::vector<std::uint8_t>& Bytes);
  void Read(const std::vector<std::uint8_t>& Chunk);
  void ReadSecure(const std::vector<std::uint8_t>& Chunk);
  void NeedKey();
  // Ends the attempt or connection and reports Why as an error.
  void Drop(std::string Why);  // by value: Why may be the session's, which Close ends
  void Reply(const std::uint8_t* Bytes, std::size_t Count);
  void Error(QAbstractSocket::SocketError Error);

  TDCP_blowfish& FCipher;
  const std::string& FPassword;
  TLinkClientEvents FEvents;
  std::string FHost;
  std::uint16_t FPort = 6130;
  bool FSecure = false;
  QTcpSocket* FSocket = nullptr;  // child of this; replaced by each attempt
  TLinkStream FStream;  // the replies being received on this connection
  QElapsedTimer FAttemptAge;
  QElapsedTimer FSinceLastByte;
  int FUnanswered = 0;  // requests sent since the last byte came in
  int FStallRequests = 10;
  qint64 FStallMs = 10000;
  // Authenticated mode: this connection's session, the attempt it belongs to (an answer
  // from the key source for an older attempt is dropped), the handshake's time limit, and
  // whether a refusal has been told since the last accepted handshake.
  std::optional<TSecureClientSession> FSession;
  std::uint64_t FAttempt = 0;
  QTimer FHandshakeLimit;
  bool FRefusalTold = false;
  TSecureKeySource FOwnKeys;
  TSecureKeySource* FKeys = &FOwnKeys;
};

}  // namespace dravel
