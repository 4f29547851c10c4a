#pragma once
// The HTTP server: IPv4 on all addresses, or the one address it is given, with address
// reuse; plain HTTP, or HTTPS only (TLS 1.2 or later) when it is given a certificate; a peer the allow-list refuses is closed at accept, unread. One event loop run by a few
// threads reads and writes every connection, and a bounded pool of workers runs the
// requests, so a slow call holds up no other caller. A connection serves further
// requests while the client keeps it (see THttpLimits for every bound). Running out of
// descriptors or memory pauses accepting; it never ends the program.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "platform/AddressFilter.h"
#include "service/BodyBudget.h"
#include "service/HttpConnection.h"
#include "service/HttpLimits.h"
#include "service/HttpRequestReader.h"
#include "service/IdleConnections.h"
#include "service/TlsContext.h"
#include "service/WebRequest.h"
#include "service/WorkerPool.h"

namespace dravel {

class TIndyHTTPServer {
 public:
  // Linux drops a connection attempt that finds the queue full and the client tries
  // again only after a second or more; a deep queue rides out bursts of callers.
  static constexpr int Backlog = 1024;

  // Runs on a worker thread, several at once.
  using THandler = THttpServerParts::THandler;

  explicit TIndyHTTPServer(THandler Handler, THttpLimits Limits = {});
  TIndyHTTPServer(const TIndyHTTPServer&) = delete;
  TIndyHTTPServer& operator=(const TIndyHTTPServer&) = delete;
  ~TIndyHTTPServer();

  // Listens on Port (0 picks a free one); empty text on success, else the error, "Could
  // not bind socket. Address and port are already in use." when the port is taken, or
  // why the TLS files cannot be used.
  std::string Start(std::uint16_t Port);
  // HTTPS with these files from the next Start on; none: plain HTTP.
  void SetTls(std::optional<TTlsFiles> Files) { FTlsFiles = std::move(Files); }
  const std::optional<TTlsFiles>& Tls() const { return FTlsFiles; }
  bool OverTls() const { return FTlsFiles.has_value(); }
  // The address bound by the next Start, and the peers it accepts.
  void SetAccess(TListenAccess Access) { FAccess = std::move(Access); }
  // Ends every connection and waits for the requests being run.
  void Stop();
  bool Active() const { return FContext != nullptr; }
  // The port listened on while active.
  std::uint16_t Port() const { return FPort; }
  // Connections accepted and not yet finished.
  std::size_t OpenConnections() const { return FOpen; }
  // Connections held at most at once (past it the longest idle ones are closed).
  std::size_t MaxConnections() const { return FMaxConnections; }
  // Accepts the system refused (out of descriptors or memory) since construction.
  std::size_t AcceptFailures() const { return FAcceptFailures; }

 private:
  void AcceptNext();
  void PauseAccepting();
  void Admit(boost::asio::ip::tcp::socket Socket);

  const THandler FHandler;
  const THttpLimits FLimits;
  TListenAccess FAccess;  // read only while stopped and by the accepting handler
  std::optional<TTlsFiles> FTlsFiles;
  TWorkerPool FWorkers;
  TBodyBudget FBodies;
  TIdleConnections FIdle;
  std::atomic<std::size_t> FOpen{0};
  std::atomic<std::size_t> FAcceptFailures{0};
  THttpServerParts FParts{FHandler, FLimits, FWorkers, FBodies, FIdle, FOpen};
  std::size_t FMaxConnections = 0;
  std::unique_ptr<boost::asio::ssl::context> FTls;  // while active over TLS; the connections' parts
  std::unique_ptr<boost::asio::io_context> FContext;  // while active
  std::unique_ptr<boost::asio::ip::tcp::acceptor> FAcceptor;
  std::unique_ptr<boost::asio::steady_timer> FAcceptPause;
  std::vector<std::thread> FThreads;
  std::uint16_t FPort = 0;
};

}  // namespace dravel
