#pragma once
// The HTTP server: IPv4 on all addresses with address reuse, a thread per accepted
// connection that serves one request and closes. At most 256 connections are open at
// once (further ones are closed at accept); a request not complete within 10 seconds is
// dropped without a response.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "service/HttpRequestReader.h"
#include "service/WebRequest.h"

namespace dravel {

class TIndyHTTPServer {
 public:
  static constexpr std::size_t MaxConnections = 256;
  // Room for twice the requests the web layer serves at once. Linux drops a connection
  // attempt that finds the queue full and the client tries again only after a second or
  // more, so a queue of 5 turns 32 concurrent callers into multi-second stalls.
  static constexpr int Backlog = 64;

  // Runs on the connection's thread, several at once.
  using THandler = std::function<TWebResponse(const THttpRequest&)>;

  explicit TIndyHTTPServer(THandler Handler);
  TIndyHTTPServer(const TIndyHTTPServer&) = delete;
  TIndyHTTPServer& operator=(const TIndyHTTPServer&) = delete;
  ~TIndyHTTPServer();

  // Listens on Port (0 picks a free one); empty text on success, else the error, "Could
  // not bind socket. Address and port are already in use." when the port is taken.
  std::string Start(std::uint16_t Port);
  // Ends every connection and waits for their threads.
  void Stop();
  bool Active() const { return FAcceptThread.joinable(); }
  // The port listened on while active.
  std::uint16_t Port() const { return FPort; }
  // Connections accepted and not yet finished.
  std::size_t OpenConnections();

 private:
  struct TConnection;

  void AcceptNext();
  void Accepted(TConnection& Connection);
  void ReapFinished();

  THandler FHandler;
  boost::asio::io_context FAcceptContext;
  boost::asio::ip::tcp::acceptor FAcceptor;
  std::thread FAcceptThread;
  std::uint16_t FPort = 0;
  std::mutex FConnectionsLock;
  std::list<std::unique_ptr<TConnection>> FConnections;
  std::unique_ptr<TConnection> FNext;  // the connection the pending accept fills
};

}  // namespace dravel
