#include "service/HttpRequestReader.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/error.hpp>

namespace dravel {

namespace http = boost::beast::http;

THttpRequestReader::THttpRequestReader() {
  FParser.header_limit(HeaderLimit);
  FParser.body_limit(BodyLimit);
}

TReadState THttpRequestReader::Feed(std::string_view Bytes) {
  if (FState != TReadState::NeedMore) return FState;
  if (FUntilClose) {
    if (FRequest.Body.size() + Bytes.size() > BodyLimit) return FState = TReadState::Reject;
    FRequest.Body.append(Bytes);
    return FState;
  }
  if (FPending.size() + Bytes.size() > HeaderLimit + BodyLimit) return FState = TReadState::Reject;
  FPending.append(Bytes);
  return FState = Parse();
}

TReadState THttpRequestReader::Parse() {
  while (true) {
    boost::beast::error_code Error;
    const std::size_t Used = FParser.put(boost::asio::buffer(FPending), Error);
    FPending.erase(0, Used);
    if (Error == http::error::need_more) return TReadState::NeedMore;
    if (Error) return TReadState::Reject;
    if (FParser.is_header_done() && !FHeaderChecked) {
      FHeaderChecked = true;
      const TReadState State = AfterHeader();
      if (State != TReadState::NeedMore || FUntilClose) return State;
    }
    if (FParser.is_done()) return Complete();
    if (Used == 0) return TReadState::NeedMore;
  }
}

TReadState THttpRequestReader::AfterHeader() {
  const http::verb Method = FParser.get().method();
  if (Method != http::verb::get && Method != http::verb::post && Method != http::verb::head) {
    return TReadState::Reject;
  }
  const auto& Header = FParser.get();
  const auto Host = Header.find(http::field::host);
  FRequest.Method = std::string(Header.method_string());
  FRequest.Target = std::string(Header.target());
  FRequest.Host = Host == Header.end() ? std::string() : std::string(Host->value());
  if (Method == http::verb::post && !FParser.content_length() && !FParser.chunked()) {
    FUntilClose = true;
    if (FPending.size() > BodyLimit) return TReadState::Reject;
    FRequest.Body = std::move(FPending);
    FPending.clear();
  }
  return TReadState::NeedMore;
}

TReadState THttpRequestReader::Complete() {
  FRequest.Body = std::move(FParser.get().body());
  return TReadState::Complete;
}

TReadState THttpRequestReader::Finish() {
  if (FState != TReadState::NeedMore) return FState;
  return FState = FUntilClose ? TReadState::Complete : TReadState::Reject;
}

}  // namespace dravel
