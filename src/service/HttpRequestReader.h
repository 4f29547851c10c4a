#pragma once
// Assembles one HTTP request from the bytes of a connection, with the server's rules:
// only GET, POST and HEAD; a body of Content-Length bytes, or for a POST without it the
// bytes up to the client's close; headers up to 16 KiB, a body up to 1 MiB. Anything
// else is rejected; Refusal() tells whether the rejection is answered, and with what.

#include <cstddef>
#include <string>
#include <utility>
#include <string_view>

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace dravel {

struct THttpRequest {
  std::string Method;
  std::string Target;  // path and query as sent
  std::string Host;
  std::string Body;
  bool KeepAlive = false;  // the client will send further requests on the connection
  std::string AcceptEncoding;  // the Accept-Encoding header
  std::string LocalAddress;    // "address:port" the connection arrived on (IPv6 in brackets)
  bool OverTls = false;
  std::string PeerAddress;     // the client's address, without its port
  // The Authorization header; repetitions joined by ", ". Bounded by the header limit.
  std::string Authorization;
};

enum class TReadState { NeedMore, Complete, Reject };

// Why a request was rejected. Silent ones get no answer at all: a request line without
// a space, a method other than GET, POST and HEAD, or a request cut short by the close.
enum class TRefusal { None, Silent, Malformed, BodyTooLarge, HeaderTooLarge };

class THttpRequestReader {
 public:
  static constexpr std::size_t HeaderLimit = 16 * 1024;
  static constexpr std::size_t BodyLimit = 1024 * 1024;

  THttpRequestReader();

  // More bytes from the client.
  TReadState Feed(std::string_view Bytes);
  // The client closed its side.
  TReadState Finish();
  TReadState State() const { return FState; }
  // Set once State() is Reject.
  TRefusal Refusal() const { return FRefusal; }
  // Valid once State() is Complete.
  const THttpRequest& Request() const { return FRequest; }
  THttpRequest TakeRequest() { return std::move(FRequest); }
  // Once Complete: the bytes that followed the request (the client's next request).
  std::string TakeRest() { return std::move(FPending); }
  // Bytes of memory the request holds now, headers and body.
  std::size_t Held() const;
  // True once, when the header asked to hear "100 Continue" before sending its body.
  bool TakeContinue() { return std::exchange(FContinue, false); }

 private:
  TReadState Parse();
  TReadState AfterHeader();
  TReadState Complete();
  TReadState Reject(TRefusal Why);
  TReadState RejectParse(const boost::beast::error_code& Error);
  TReadState RejectOversize();

  boost::beast::http::request_parser<boost::beast::http::string_body> FParser;
  std::string FPending;  // bytes the parser has not taken yet
  std::string FStart;    // the first bytes of the request line, for telling refusals apart
  bool FHeaderChecked = false;
  bool FUntilClose = false;  // a POST without Content-Length: the body runs to the close
  bool FContinue = false;
  THttpRequest FRequest;
  TReadState FState = TReadState::NeedMore;
  TRefusal FRefusal = TRefusal::None;
};

}  // namespace dravel
