#include "service/IndyHTTP.h"

#include <algorithm>

#include <boost/asio/error.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/strand.hpp>

#include "platform/ProcessResources.h"

namespace dravel {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// A burst of request bodies above this hands its memory back to the system when it ends.
constexpr std::size_t ReleaseAfterBurst = 4u << 20;

asio::ip::address ListenAddress(const TListenAccess& Access) {
  if (!Access.Listen) return asio::ip::address_v4::any();
  const asio::ip::address_v6 Address(Access.Listen->Bytes);
  if (Access.Listen->IPv4) return asio::ip::make_address_v4(asio::ip::v4_mapped, Address);
  return Address;
}

}  // namespace

std::size_t ConnectionsForOpenFiles(std::size_t OpenFiles) {
  const std::size_t Kept = std::max<std::size_t>(128, OpenFiles / 4);
  return OpenFiles > 2 * Kept ? OpenFiles - Kept : std::max<std::size_t>(OpenFiles / 2, 1);
}

TIndyHTTPServer::TIndyHTTPServer(THandler Handler, THttpLimits Limits)
    : FHandler(std::move(Handler)),
      FLimits(Limits),
      FWorkers(Limits.Workers),
      FBodies(Limits.BodyBudget, std::min(ReleaseAfterBurst, Limits.BodyBudget / 2)) {}

TIndyHTTPServer::~TIndyHTTPServer() { Stop(); }

std::string TIndyHTTPServer::Start(std::uint16_t Port) {
  Stop();
  // The files are read at every start, so a renewed certificate takes effect with it.
  std::unique_ptr<asio::ssl::context> Tls;
  try {
    if (FTlsFiles) Tls = ServerTlsContext(*FTlsFiles);
  } catch (const std::exception& Error) {
    return Error.what();
  }
  auto Context = std::make_unique<asio::io_context>(static_cast<int>(FLimits.IoThreads));
  auto Acceptor = std::make_unique<tcp::acceptor>(*Context);
  boost::system::error_code Error;
  const tcp::endpoint Endpoint(ListenAddress(FAccess), Port);
  Acceptor->open(Endpoint.protocol(), Error);
  if (!Error) Acceptor->set_option(tcp::acceptor::reuse_address(true), Error);
  if (!Error) Acceptor->bind(Endpoint, Error);
  if (!Error) Acceptor->listen(Backlog, Error);
  if (Error) {
    if (Error == asio::error::address_in_use) return "Could not bind socket. Address and port are already in use.";
    return Error.message();
  }
  FPort = Acceptor->local_endpoint().port();
  FTls = std::move(Tls);
  FParts.Tls = FTls.get();
  FMaxConnections = FLimits.MaxConnections ? FLimits.MaxConnections : ConnectionsForOpenFiles(OpenFileLimit());
  FAcceptPause = std::make_unique<asio::steady_timer>(*Context);
  FAcceptor = std::move(Acceptor);
  FContext = std::move(Context);
  AcceptNext();
  for (unsigned I = 0; I < std::max(FLimits.IoThreads, 1u); ++I) {
    FThreads.emplace_back([this] {
      while (true) {
        try {
          FContext->run();
          return;
        } catch (...) {
          // A failure in one connection's handler ends at most that connection.
        }
      }
    });
  }
  return {};
}

void TIndyHTTPServer::AcceptNext() {
  FAcceptor->async_accept(asio::make_strand(*FContext), [this](boost::system::error_code Error, tcp::socket Socket) {
    if (Error == asio::error::operation_aborted || !FAcceptor->is_open()) return;
    // Out of descriptors (EMFILE, ENFILE) or memory (ENOBUFS, ENOMEM), or anything else
    // the system refuses: accepting again at once would only spin.
    if (Error) {
      ++FAcceptFailures;
      return PauseAccepting();
    }
    try {
      if (!FAccess.Allow.AllowsEveryone()) {
        const auto Peer = PeerNetAddress(Socket.native_handle());
        // Closed unread as the socket goes out of scope.
        if (!Peer || !FAccess.Allow.Allows(*Peer)) return AcceptNext();
      }
      Admit(std::move(Socket));
    } catch (const std::exception&) {
      // This connection could not be set up; its socket closes, the next may fare better.
    }
    AcceptNext();
  });
}

void TIndyHTTPServer::PauseAccepting() {
  FAcceptPause->expires_after(FLimits.AcceptPause);
  FAcceptPause->async_wait([this](boost::system::error_code Error) {
    if (!Error) AcceptNext();
  });
}

void TIndyHTTPServer::Admit(tcp::socket Socket) {
  if (FOpen >= FMaxConnections) {
    // Callers that send get through: the one silent longest makes room.
    const auto Oldest = FIdle.TakeOldest();
    if (!Oldest) return;  // every place is serving a request: this one closes
    Oldest->Close();
  }
  std::make_shared<THttpConnection>(std::move(Socket), FParts)->Begin();
}

void TIndyHTTPServer::Stop() {
  if (!FContext) return;
  FContext->stop();
  for (auto& Thread : FThreads) Thread.join();
  FThreads.clear();
  boost::system::error_code Ignored;
  FAcceptor->close(Ignored);
  // Requests being run finish; their answers go nowhere.
  FWorkers.Drain();
  // Destroying the loop destroys every connection's pending work, and with it the
  // connection and its socket.
  FAcceptPause.reset();
  FAcceptor.reset();
  FContext.reset();
  FParts.Tls = nullptr;
  FTls.reset();
  FPort = 0;
}

}  // namespace dravel
