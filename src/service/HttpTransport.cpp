#include "service/HttpTransport.h"

#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/write.hpp>

namespace dravel {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

struct THttpTransport::TTlsLayer {
  TTlsLayer(tcp::socket& Socket, asio::ssl::context& Context) : Stream(Socket, Context) {}
  asio::ssl::stream<tcp::socket&> Stream;
};

THttpTransport::THttpTransport(tcp::socket Socket, asio::ssl::context* Tls) : FSocket(std::move(Socket)) {
  if (Tls) FTls = std::make_unique<TTlsLayer>(FSocket, *Tls);
}

THttpTransport::~THttpTransport() = default;

void THttpTransport::AsyncHandshake(TDone Done) {
  FTls->Stream.async_handshake(asio::ssl::stream_base::server,
                               [Done = std::move(Done)](boost::system::error_code Error) { Done(Error); });
}

std::size_t THttpTransport::ReadSome(asio::mutable_buffer Buffer, boost::system::error_code& Error) {
  return FTls ? FTls->Stream.read_some(Buffer, Error) : FSocket.read_some(Buffer, Error);
}

void THttpTransport::WriteSome(std::string_view Bytes, boost::system::error_code& Error) {
  if (FTls) {
    FTls->Stream.write_some(asio::buffer(Bytes), Error);
  } else {
    FSocket.write_some(asio::buffer(Bytes), Error);
  }
}

void THttpTransport::AsyncWrite(std::string_view Bytes, TDone Done) {
  auto Written = [Done = std::move(Done)](boost::system::error_code Error, std::size_t) { Done(Error); };
  if (FTls) {
    asio::async_write(FTls->Stream, asio::buffer(Bytes), std::move(Written));
  } else {
    asio::async_write(FSocket, asio::buffer(Bytes), std::move(Written));
  }
}

void THttpTransport::ShutdownSend() {
  boost::system::error_code Ignored;
  // Sends the close alert; the client's own alert is read, or not, with the rest.
  if (FTls) FTls->Stream.shutdown(Ignored);
  FSocket.shutdown(tcp::socket::shutdown_send, Ignored);
}

void THttpTransport::Close() {
  boost::system::error_code Ignored;
  FSocket.shutdown(tcp::socket::shutdown_both, Ignored);
  FSocket.close(Ignored);
}

}  // namespace dravel
