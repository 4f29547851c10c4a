#pragma once
// Assembles one HTTP request from the bytes of a connection, with the server's rules:
// only GET, POST and HEAD; a body of Content-Length bytes, or for a POST without it the
// bytes up to the client's close; headers up to 16 KiB, a body up to 1 MiB. Anything
// else is rejected, and a rejected request gets no response.

#include <cstddef>
#include <string>
#include <string_view>

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace dravel {

struct THttpRequest {
  std::string Method;
  std::string Target;  // path and query as sent
  std::string Host;
  std::string Body;
};

enum class TReadState { NeedMore, Complete, Reject };

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
  // Valid once State() is Complete.
  const THttpRequest& Request() const { return FRequest; }

 private:
  TReadState Parse();
  TReadState AfterHeader();
  TReadState Complete();

  boost::beast::http::request_parser<boost::beast::http::string_body> FParser;
  std::string FPending;  // bytes the parser has not taken yet
  bool FHeaderChecked = false;
  bool FUntilClose = false;  // a POST without Content-Length: the body runs to the close
  THttpRequest FRequest;
  TReadState FState = TReadState::NeedMore;
};

}  // namespace dravel
