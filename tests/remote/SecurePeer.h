#pragma once
// A secure link client for tests: a socket driving the client session, the handshake and
// its requests run to their end by a bounded wait.

#include <gtest/gtest.h>

#include <QTcpSocket>

#include <string>
#include <vector>

#include "remote/LinkTestSupport.h"
#include "remote/SecureClientSession.h"

namespace dravel::testing {

// A secure client over a plain socket; it derives on the test's thread.
struct TSecurePeer {
  explicit TSecurePeer(std::uint16_t Port) {
    Socket.connectToHost("127.0.0.1", Port);
    EXPECT_TRUE(WaitFor([&] { return Socket.state() == QAbstractSocket::ConnectedState; }));
  }
  void Send(const std::vector<std::uint8_t>& Bytes) {
    Socket.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<qint64>(Bytes.size()));
    Socket.flush();
  }
  void Pump() {
    const QByteArray Got = Socket.readAll();
    Received += Got.size();
    Session.Feed(reinterpret_cast<const std::uint8_t*>(Got.data()), static_cast<std::size_t>(Got.size()),
                 [&](const std::uint8_t* Plain, std::size_t Count) { Replies.emplace_back(Plain, Plain + Count); });
  }
  bool Closed() const { return Socket.state() == QAbstractSocket::UnconnectedState; }
  // Runs the handshake with Password; returns the state it ended in.
  TSecureClientSession::TState Handshake(const std::string& Password) {
    Send(Session.TakeOutput());
    WaitFor([&] { Pump(); return Session.State() != TSecureClientSession::TState::Challenge; });
    if (Session.State() != TSecureClientSession::TState::NeedsKey) return Session.State();
    Session.SetKey(TSecureLinkKey::Derive(Password, Session.Salt(), Session.Cost()));
    Send(Session.TakeOutput());
    WaitFor([&] { Pump(); return Session.State() != TSecureClientSession::TState::Verdict; });
    return Session.State();
  }
  bool Ask() {
    const std::size_t Before = Replies.size();
    Send(Session.SealRequest());
    return WaitFor([&] { Pump(); return Replies.size() > Before; });
  }

  QTcpSocket Socket;
  TSecureClientSession Session;
  std::vector<std::vector<std::uint8_t>> Replies;
  qint64 Received = 0;
};

}  // namespace dravel::testing
