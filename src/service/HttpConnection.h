#pragma once
// One accepted connection of the HTTP server, driven by events on its own strand: over
// TLS it first completes the handshake; then it waits for bytes, reads a request, hands it
// to a worker, writes the answer, and either waits for the next request or closes. An
// idle plain connection holds no buffer; over TLS only the TLS layer's own.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "service/BodyBudget.h"
#include "service/HttpLimits.h"
#include "service/HttpRequestReader.h"
#include "service/HttpTransport.h"
#include "service/IdleConnections.h"
#include "service/WebRequest.h"
#include "service/WorkerPool.h"

namespace dravel {

// What all connections of one server share.
struct THttpServerParts {
  using THandler = std::function<TWebResponse(const THttpRequest&)>;
  const THandler& Handler;
  const THttpLimits& Limits;
  TWorkerPool& Workers;
  TBodyBudget& Bodies;
  TIdleConnections& Idle;
  std::atomic<std::size_t>& Open;  // connections alive
  boost::asio::ssl::context* Tls = nullptr;  // every connection speaks TLS when set
};

class THttpConnection : public std::enable_shared_from_this<THttpConnection> {
 public:
  // The socket's executor is the connection's strand; TLS runs over it when Parts say so.
  THttpConnection(boost::asio::ip::tcp::socket Socket, THttpServerParts& Parts);
  THttpConnection(const THttpConnection&) = delete;
  THttpConnection& operator=(const THttpConnection&) = delete;
  ~THttpConnection();

  // Starts serving; from any thread.
  void Begin();
  // Ends the connection without an answer; from any thread.
  void Close();
  TIdleConnections::TPlace& IdlePlace() { return FIdlePlace; }

 private:
  enum class TPhase { Handshake, Waiting, Reading, Busy, Writing, Closing, Closed };

  void Start();
  void Serve();
  void WaitForBytes();
  void OnReadable();
  void OnClientClosed();
  void Consume(std::string_view Bytes);
  void Dispatch();
  void Refuse(TRefusal Why);
  void Write(std::string Text, bool CloseAfter);
  void OnWritten(bool CloseAfter);
  void ForgetRequest();
  void Linger();
  void Arm(std::chrono::milliseconds After);
  void OnTimer();
  void End();

  THttpTransport FTransport;
  boost::asio::steady_timer FTimer;
  THttpServerParts& FParts;
  TIdleConnections::TPlace FIdlePlace;
  std::unique_ptr<THttpRequestReader> FReader;  // while a request is being read
  std::size_t FCharged = 0;                     // taken from the body budget
  std::string FOut;                             // the answer being written
  std::size_t FServed = 0;
  std::string FLocal;  // this end's "address:port", given to every request
  std::string FPeer;   // the client's address, given to every request
  TPhase FPhase = TPhase::Waiting;
  bool FWaitPending = false;  // a wait for bytes is under way
};

}  // namespace dravel
