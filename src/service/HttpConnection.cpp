#include "service/HttpConnection.h"

#include <algorithm>
#include <array>

#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>

#include "service/HttpResponseText.h"

namespace dravel {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// Bytes taken from a connection at one wake-up before others get their turn.
constexpr std::size_t ReadRounds = 4;

}  // namespace

namespace {

// An IPv4 peer of an IPv6 socket shows as IPv4.
asio::ip::address Unmapped(asio::ip::address Address) {
  if (Address.is_v6() && Address.to_v6().is_v4_mapped())
    Address = asio::ip::make_address_v4(asio::ip::v4_mapped, Address.to_v6());
  return Address;
}

// "address:port" of the socket's own end.
std::string LocalText(const tcp::socket& Socket) {
  boost::system::error_code Error;
  const tcp::endpoint Local = Socket.local_endpoint(Error);
  if (Error) return {};
  const asio::ip::address Address = Unmapped(Local.address());
  const std::string Port = ":" + std::to_string(Local.port());
  return Address.is_v6() ? "[" + Address.to_string() + "]" + Port : Address.to_string() + Port;
}

// The client's address, without its port.
std::string PeerText(const tcp::socket& Socket) {
  boost::system::error_code Error;
  const tcp::endpoint Peer = Socket.remote_endpoint(Error);
  return Error ? std::string() : Unmapped(Peer.address()).to_string();
}

}  // namespace

THttpConnection::THttpConnection(tcp::socket Socket, THttpServerParts& Parts)
    : FTransport(std::move(Socket), Parts.Tls),
      FTimer(FTransport.Socket().get_executor()),
      FParts(Parts),
      FLocal(LocalText(FTransport.Socket())),
      FPeer(PeerText(FTransport.Socket())) {
  ++FParts.Open;
}

THttpConnection::~THttpConnection() {
  FParts.Idle.Remove(FIdlePlace);
  FParts.Bodies.GiveBack(FCharged);
  --FParts.Open;
}

void THttpConnection::Begin() {
  asio::post(FTimer.get_executor(), [Self = shared_from_this()] { Self->Start(); });
}

void THttpConnection::Close() {
  asio::post(FTimer.get_executor(), [Self = shared_from_this()] { Self->End(); });
}

void THttpConnection::Start() {
  if (FPhase == TPhase::Closed) return;
  boost::system::error_code Error;
  FTransport.Socket().non_blocking(true, Error);
  if (!Error) FTransport.Socket().set_option(tcp::no_delay(true), Error);
  if (Error) return End();
  FParts.Idle.Touch(*this, FIdlePlace);
  if (!FTransport.OverTls()) {
    Arm(FParts.Limits.RequestTimeout);
    return Serve();
  }
  FPhase = TPhase::Handshake;
  Arm(std::min(FParts.Limits.HandshakeTimeout, FParts.Limits.RequestTimeout));
  // A failed handshake (plain HTTP on this port among them) closes without an answer.
  FTransport.AsyncHandshake([Self = shared_from_this()](boost::system::error_code Error) {
    if (Error || Self->FPhase != TPhase::Handshake) return Self->End();
    Self->Arm(Self->FParts.Limits.RequestTimeout);
    Self->Serve();
  });
}

void THttpConnection::Serve() {
  FPhase = TPhase::Waiting;
  OnReadable();  // bytes may have come before the connection was watched
}

void THttpConnection::WaitForBytes() {
  if (FWaitPending) return;
  FWaitPending = true;
  FTransport.Socket().async_wait(tcp::socket::wait_read, [Self = shared_from_this()](boost::system::error_code Error) {
    Self->FWaitPending = false;
    if (Error) return Self->End();
    Self->OnReadable();
  });
}

void THttpConnection::OnReadable() {
  // While a request is served or answered its connection reads nothing more; reading
  // starts again after the answer.
  if (FPhase != TPhase::Waiting && FPhase != TPhase::Reading && FPhase != TPhase::Closing) return;
  // On the stack: a connection waiting for bytes keeps no buffer of its own.
  std::array<char, 16384> Buffer;
  for (std::size_t Round = 0; Round < ReadRounds; ++Round) {
    boost::system::error_code Error;
    const std::size_t Count = FTransport.ReadSome(asio::buffer(Buffer), Error);
    if (Error == asio::error::would_block || Error == asio::error::try_again) return WaitForBytes();
    if (Error == asio::error::eof) return OnClientClosed();
    if (Error) return End();
    if (FPhase != TPhase::Closing) Consume(std::string_view(Buffer.data(), Count));  // else discarded
    if (FPhase != TPhase::Waiting && FPhase != TPhase::Reading && FPhase != TPhase::Closing) return;
    // A short read emptied the socket: later bytes wake the wait. Over TLS only a
    // would_block tells that nothing is left inside the TLS layer either.
    if (Count < Buffer.size() && FTransport.ShortReadDrains()) return WaitForBytes();
  }
  // Readiness is told once per arrival, so bytes left unread must be read without a wait;
  // later, so that other connections get their turn.
  asio::post(FTimer.get_executor(), [Self = shared_from_this()] { Self->OnReadable(); });
}

void THttpConnection::OnClientClosed() {
  if (FPhase != TPhase::Reading) return End();
  // A POST without Content-Length ends with the close; anything else is cut short.
  if (FReader->Finish() == TReadState::Complete) return Dispatch();
  End();
}

void THttpConnection::Consume(std::string_view Bytes) {
  if (!FReader) {
    FReader = std::make_unique<THttpRequestReader>();
    if (FServed > 0) Arm(FParts.Limits.RequestTimeout);  // the first request's clock runs from the accept
    FPhase = TPhase::Reading;
  }
  FParts.Idle.Touch(*this, FIdlePlace);
  const TReadState State = FReader->Feed(Bytes);
  const std::size_t Held = FReader->Held();
  if (Held > FCharged) {
    if (!FParts.Bodies.Take(Held - FCharged)) {
      return Write(RefusalText(503, "Too many requests are being read at once; try again later"), true);
    }
    FCharged = Held;
  }
  if (State == TReadState::Reject) return Refuse(FReader->Refusal());
  if (State == TReadState::Complete) return Dispatch();
  if (FReader->TakeContinue()) {
    // A few bytes into a socket that holds nothing yet; should they not fit, the client
    // sends its body after its own wait, as it would without the answer.
    boost::system::error_code Error;
    FTransport.WriteSome("HTTP/1.1 100 Continue\r\n\r\n", Error);
  }
}

void THttpConnection::Dispatch() {
  FPhase = TPhase::Busy;
  FParts.Idle.Remove(FIdlePlace);
  FTimer.cancel();
  ++FServed;
  const bool MayKeep = FReader->Request().KeepAlive && FServed < FParts.Limits.MaxRequestsPerConnection;
  THttpRequest Taken = FReader->TakeRequest();
  Taken.LocalAddress = FLocal;
  Taken.PeerAddress = FPeer;
  Taken.OverTls = FTransport.OverTls();
  auto Job = [Self = shared_from_this(), Request = std::move(Taken), MayKeep] {
    std::string Text;
    bool Keep = false;
    try {
      const TWebResponse Response = Self->FParts.Handler(Request);
      // Without content there is no Content-Length, and only the close ends the answer.
      Keep = MayKeep && !Response.Content.empty();
      Text = ResponseText(Response, Request.Method == "HEAD", Keep);
    } catch (...) {
      return Self->Close();  // this connection ends; the server goes on
    }
    asio::post(Self->FTimer.get_executor(),
               [Self, Text = std::move(Text), Keep]() mutable { Self->Write(std::move(Text), !Keep); });
  };
  if (!FParts.Workers.Post(std::move(Job))) {
    Write(RefusalText(503, "The server cannot take more work now; try again later"), true);
  }
}

void THttpConnection::Refuse(TRefusal Why) {
  switch (Why) {
    case TRefusal::Malformed:
      return Write(RefusalText(400, "Malformed request"), true);
    case TRefusal::BodyTooLarge:
      return Write(RefusalText(413, "Request body larger than 1 MiB"), true);
    case TRefusal::HeaderTooLarge:
      return Write(RefusalText(431, "Request header larger than 16 KiB"), true);
    case TRefusal::None:
    case TRefusal::Silent:
      return End();
  }
}

void THttpConnection::Write(std::string Text, bool CloseAfter) {
  if (FPhase == TPhase::Closed) return;
  FPhase = TPhase::Writing;
  FParts.Idle.Remove(FIdlePlace);
  FOut = std::move(Text);
  Arm(FParts.Limits.RequestTimeout);
  FTransport.AsyncWrite(FOut, [Self = shared_from_this(), CloseAfter](boost::system::error_code Error) {
    if (Error) return Self->End();
    Self->OnWritten(CloseAfter);
  });
}

void THttpConnection::OnWritten(bool CloseAfter) {
  if (FPhase == TPhase::Closed) return;
  std::string().swap(FOut);
  std::string Rest = FReader ? FReader->TakeRest() : std::string();
  ForgetRequest();
  if (CloseAfter) return Linger();
  FPhase = TPhase::Waiting;
  FParts.Idle.Touch(*this, FIdlePlace);
  Arm(FParts.Limits.IdleTimeout);
  // A client may send its next request before the answer to the last one.
  if (!Rest.empty()) Consume(Rest);
  OnReadable();  // and may have sent more while it waited
}

void THttpConnection::ForgetRequest() {
  FReader.reset();
  FParts.Bodies.GiveBack(FCharged);
  FCharged = 0;
}

void THttpConnection::Linger() {
  FPhase = TPhase::Closing;
  ForgetRequest();
  FTransport.ShutdownSend();
  Arm(FParts.Limits.CloseGrace);
  OnReadable();
}

void THttpConnection::Arm(std::chrono::milliseconds After) {
  FTimer.expires_after(After);
  FTimer.async_wait([Self = shared_from_this()](boost::system::error_code Error) {
    if (Error == asio::error::operation_aborted) return;
    // Re-armed after this wait had already ended: the newer wait decides.
    if (Self->FTimer.expiry() > asio::steady_timer::clock_type::now()) return;
    Self->OnTimer();
  });
}

void THttpConnection::OnTimer() {
  switch (FPhase) {
    case TPhase::Reading:
      return Write(RefusalText(408, "Request not complete within the time allowed"), true);
    case TPhase::Busy:
      return;
    case TPhase::Handshake:
    case TPhase::Waiting:
    case TPhase::Writing:
    case TPhase::Closing:
    case TPhase::Closed:
      return End();
  }
}

void THttpConnection::End() {
  if (FPhase == TPhase::Closed) return;
  FPhase = TPhase::Closed;
  FParts.Idle.Remove(FIdlePlace);
  FTimer.cancel();
  FTransport.Close();
}

}  // namespace dravel
