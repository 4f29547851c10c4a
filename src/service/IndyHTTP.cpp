#include "service/IndyHTTP.h"

#include <array>
#include <chrono>

#include <boost/asio/error.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

namespace dravel {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr auto RequestTimeout = std::chrono::seconds(10);
constexpr char ServerName[] = "Dravel/87";

http::response<http::string_body> ToHttp(const TWebResponse& Response, bool Head) {
  http::response<http::string_body> Result{static_cast<http::status>(Response.StatusCode), 11};
  Result.set(http::field::server, ServerName);
  Result.set(http::field::content_type, Response.ContentType);
  if (!Response.Content.empty()) {
    Result.set(http::field::content_length, std::to_string(Response.Content.size()));
    if (!Head) Result.body() = Response.Content;
  }
  // Every connection closes after one answer; without saying so an HTTP/1.1 client may
  // send its next request on it and lose that request.
  Result.set(http::field::connection, "close");
  return Result;
}

}  // namespace

// One accepted connection with its own event loop, run on its own thread.
struct TIndyHTTPServer::TConnection {
  asio::io_context Context{1};
  std::unique_ptr<beast::tcp_stream> Stream;
  THttpRequestReader Reader;
  std::array<char, 8192> Buffer{};
  http::response<http::string_body> Response;
  std::thread Thread;
  std::atomic<bool> Finished{false};

  void Serve(const THandler& Handler) {
    Stream->expires_after(RequestTimeout);
    Read(Handler);
    try {
      Context.run();
    } catch (...) {
      // A failure on this connection ends it without an answer; the server goes on.
    }
    beast::error_code Ignored;
    Stream->socket().shutdown(tcp::socket::shutdown_both, Ignored);
    Stream->socket().close(Ignored);
    Finished = true;
  }

  void Read(const THandler& Handler) {
    Stream->async_read_some(asio::buffer(Buffer), [this, &Handler](beast::error_code Error, std::size_t Count) {
      TReadState State = Reader.Feed(std::string_view(Buffer.data(), Count));
      if (Error == asio::error::eof && State == TReadState::NeedMore) State = Reader.Finish();
      else if (Error) return;  // timeout, reset or stop: no response
      switch (State) {
        case TReadState::NeedMore:
          Read(Handler);
          return;
        case TReadState::Reject:
          return;
        case TReadState::Complete:
          Respond(Handler);
          return;
      }
    });
  }

  void Respond(const THandler& Handler) {
    const THttpRequest& Request = Reader.Request();
    Response = ToHttp(Handler(Request), Request.Method == "HEAD");
    Stream->expires_after(RequestTimeout);
    http::async_write(*Stream, Response, [](beast::error_code, std::size_t) {});
  }
};

TIndyHTTPServer::TIndyHTTPServer(THandler Handler)
    : FHandler(std::move(Handler)), FAcceptor(FAcceptContext) {}

TIndyHTTPServer::~TIndyHTTPServer() { Stop(); }

std::string TIndyHTTPServer::Start(std::uint16_t Port) {
  Stop();
  boost::system::error_code Error;
  FAcceptor.open(tcp::v4(), Error);
  if (!Error) FAcceptor.set_option(tcp::acceptor::reuse_address(true), Error);
  if (!Error) FAcceptor.bind(tcp::endpoint(asio::ip::address_v4::any(), Port), Error);
  if (!Error) FAcceptor.listen(Backlog, Error);
  if (Error) {
    boost::system::error_code Ignored;
    FAcceptor.close(Ignored);
    if (Error == asio::error::address_in_use) {
      return "Could not bind socket. Address and port are already in use.";
    }
    return Error.message();
  }
  FPort = FAcceptor.local_endpoint().port();
  FAcceptContext.restart();
  AcceptNext();
  FAcceptThread = std::thread([this] { FAcceptContext.run(); });
  return {};
}

void TIndyHTTPServer::AcceptNext() {
  FNext = std::make_unique<TConnection>();
  FAcceptor.async_accept(FNext->Context, [this](boost::system::error_code Error, tcp::socket Socket) {
    if (Error == asio::error::operation_aborted || !FAcceptor.is_open()) return;
    if (!Error) {
      FNext->Stream = std::make_unique<beast::tcp_stream>(std::move(Socket));
      Accepted(*FNext);
    }
    AcceptNext();
  });
}

void TIndyHTTPServer::Accepted(TConnection& Connection) {
  ReapFinished();
  const std::lock_guard Lock(FConnectionsLock);
  if (FConnections.size() >= MaxConnections) return;  // the socket closes with FNext
  Connection.Thread = std::thread([&Connection, this] { Connection.Serve(FHandler); });
  FConnections.push_back(std::move(FNext));
}

void TIndyHTTPServer::ReapFinished() {
  const std::lock_guard Lock(FConnectionsLock);
  for (auto It = FConnections.begin(); It != FConnections.end();) {
    if ((*It)->Finished) {
      (*It)->Thread.join();
      It = FConnections.erase(It);
    } else {
      ++It;
    }
  }
}

std::size_t TIndyHTTPServer::OpenConnections() {
  const std::lock_guard Lock(FConnectionsLock);
  std::size_t Open = 0;
  for (const auto& Connection : FConnections) Open += Connection->Finished ? 0 : 1;
  return Open;
}

void TIndyHTTPServer::Stop() {
  if (!FAcceptThread.joinable()) return;
  asio::post(FAcceptContext, [this] {
    boost::system::error_code Ignored;
    FAcceptor.close(Ignored);
  });
  FAcceptThread.join();
  FAcceptContext.stop();
  FNext.reset();
  const std::lock_guard Lock(FConnectionsLock);
  for (const auto& Connection : FConnections) Connection->Context.stop();
  for (const auto& Connection : FConnections) Connection->Thread.join();
  FConnections.clear();
  FPort = 0;
}

}  // namespace dravel
