#pragma once
// A hand-driven server end of the authenticated link for the client's tests: it runs the
// core's server session over each accepted connection and can be told to misbehave (say
// nothing, replay or garble a reply) where the real server never would.

#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <memory>
#include <string>

#include "remote/LinkServer.h"
#include "remote/SecureServerSession.h"

namespace dravel::testing {

class TSecureTestServer {
 public:
  enum class TReplyFault { None, Replay, Garble };

  // The key is derived here, before listening, so the event loop never waits for it.
  TSecureTestServer(const std::string& Password, const TSecureKeyCost& Cost, TRecordBytes Record)
      : FSalt(FixedSalt()), FCost(Cost), FKey(TSecureLinkKey::Derive(Password, FSalt, Cost)),
        FRecord(Record) {
    QObject::connect(&FListener, &QTcpServer::newConnection, [this] { Accept(); });
    FListener.listen(QHostAddress::LocalHost);
  }

  std::uint16_t Port() const { return FListener.serverPort(); }
  // Sends nothing at all, as a server without the mode does with the hello.
  bool Silent = false;
  TReplyFault Fault = TReplyFault::None;
  int Accepted = 0, Refusals = 0, Proofs = 0, Replies = 0;

 private:
  void Accept() {
    while (QTcpSocket* Socket = FListener.nextPendingConnection()) {
      ++Accepted;
      auto& Session = FSessions[Socket];
      Session = std::make_unique<TSecureServerSession>(FSalt, FCost);
      Session->SetKey(FKey);
      QObject::connect(Socket, &QTcpSocket::readyRead, Socket, [this, Socket] { Read(*Socket); });
      QObject::connect(Socket, &QTcpSocket::disconnected, Socket, [this, Socket] {
        FSessions.erase(Socket);
        Socket->deleteLater();
      });
    }
  }
  void Send(QTcpSocket& Socket, const std::vector<std::uint8_t>& Bytes) {
    Socket.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<qint64>(Bytes.size()));
  }
  void Read(QTcpSocket& Socket) {
    const QByteArray Bytes = Socket.readAll();
    if (Silent) return;
    TSecureServerSession& Session = *FSessions.at(&Socket);
    const auto Before = Session.State();
    const std::size_t Requests =
        Session.Feed(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size());
    if (Before == TSecureServerSession::TState::Proof && Session.State() != Before) ++Proofs;
    Send(Socket, Session.TakeOutput());
    if (Session.Closing()) {
      if (Session.State() == TSecureServerSession::TState::Refused) ++Refusals;
      Socket.disconnectFromHost();
      return;
    }
    for (std::size_t I = 0; I < Requests; ++I) {
      std::vector<std::uint8_t> Reply = Session.SealReply(FRecord.data(), FRecord.size());
      ++Replies;
      if (Fault == TReplyFault::Garble) Reply[Reply.size() / 2] ^= 0x01;
      Send(Socket, Reply);
      if (Fault == TReplyFault::Replay) Send(Socket, Reply);
    }
  }

  static TSecureSalt FixedSalt() {
    TSecureSalt Salt;
    Salt.fill(0x3C);
    return Salt;
  }

  TSecureSalt FSalt;
  TSecureKeyCost FCost;
  TSecureLinkKey FKey;
  TRecordBytes FRecord;
  std::map<const QTcpSocket*, std::unique_ptr<TSecureServerSession>> FSessions;
  QTcpServer FListener;  // after the sessions: its sockets report their end as it goes
};

}  // namespace dravel::testing
