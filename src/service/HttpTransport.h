#pragma once
// The byte stream of one HTTP connection: the TCP socket itself, or TLS over it. The
// connection reads it without blocking when the socket is readable, and writes its
// answers through it, the same way either way.

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/tcp.hpp>

namespace boost::asio::ssl {
class context;
}

namespace dravel {

class THttpTransport {
 public:
  using TDone = std::function<void(boost::system::error_code)>;

  // TLS over Socket when Tls is given; Tls outlives the transport.
  THttpTransport(boost::asio::ip::tcp::socket Socket, boost::asio::ssl::context* Tls);
  THttpTransport(const THttpTransport&) = delete;
  THttpTransport& operator=(const THttpTransport&) = delete;
  ~THttpTransport();

  bool OverTls() const { return FTls != nullptr; }
  boost::asio::ip::tcp::socket& Socket() { return FSocket; }

  // The server's part of the TLS handshake; only over TLS.
  void AsyncHandshake(TDone Done);
  // What has arrived, without waiting: would_block when nothing has.
  std::size_t ReadSome(boost::asio::mutable_buffer Buffer, boost::system::error_code& Error);
  // As much of Bytes as goes out at once.
  void WriteSome(std::string_view Bytes, boost::system::error_code& Error);
  // All of Bytes; Bytes stays alive until Done runs.
  void AsyncWrite(std::string_view Bytes, TDone Done);
  // A read shorter than the buffer leaves nothing behind that a wait on the socket would
  // miss. Over TLS a record may wait decoded, or undecoded, inside the TLS layer.
  bool ShortReadDrains() const { return !FTls; }
  // Nothing more comes from this end (over TLS, after the close alert); reading goes on.
  void ShutdownSend();
  void Close();

 private:
  struct TTlsLayer;

  boost::asio::ip::tcp::socket FSocket;
  std::unique_ptr<TTlsLayer> FTls;  // destroyed before the socket it runs over
};

}  // namespace dravel
