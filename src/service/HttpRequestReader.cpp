#include "service/HttpRequestReader.h"

#include <boost/beast/core/string.hpp>

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/error.hpp>

namespace dravel {

namespace http = boost::beast::http;

namespace {

// A method the server serves, followed by the blank that ends it.
constexpr std::size_t StartLength = 5;

bool StartsWithServedMethod(std::string_view Start) {
  return Start.starts_with("GET ") || Start.starts_with("POST ") || Start.starts_with("HEAD ");
}

}  // namespace

THttpRequestReader::THttpRequestReader() {
  FParser.header_limit(HeaderLimit);
  FParser.body_limit(BodyLimit);
}

TReadState THttpRequestReader::Feed(std::string_view Bytes) {
  if (FState != TReadState::NeedMore) return FState;
  if (FStart.size() < StartLength) FStart.append(Bytes.substr(0, StartLength - FStart.size()));
  if (FUntilClose) {
    if (FRequest.Body.size() + Bytes.size() > BodyLimit) return FState = Reject(TRefusal::BodyTooLarge);
    FRequest.Body.append(Bytes);
    return FState;
  }
  if (FPending.size() + Bytes.size() > HeaderLimit + BodyLimit) return FState = RejectOversize();
  FPending.append(Bytes);
  return FState = Parse();
}

TReadState THttpRequestReader::Parse() {
  while (true) {
    boost::beast::error_code Error;
    const std::size_t Used = FParser.put(boost::asio::buffer(FPending), Error);
    FPending.erase(0, Used);
    if (Error == http::error::need_more) {
      // The parser takes the header only whole: a header over the limit shows as need_more.
      if (!FParser.is_header_done() && FPending.size() > HeaderLimit) return RejectOversize();
      return TReadState::NeedMore;
    }
    if (Error) return RejectParse(Error);
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
    return Reject(TRefusal::Silent);
  }
  const auto& Header = FParser.get();
  // The parser lets equal repetitions pass; which length was meant is still unclear.
  if (Header.count(http::field::content_length) > 1) return Reject(TRefusal::Malformed);
  const auto Host = Header.find(http::field::host);
  FRequest.Method = std::string(Header.method_string());
  FRequest.Target = std::string(Header.target());
  FRequest.Host = Host == Header.end() ? std::string() : std::string(Host->value());
  FRequest.KeepAlive = Header.keep_alive();
  const auto Encoding = Header.find(http::field::accept_encoding);
  if (Encoding != Header.end()) FRequest.AcceptEncoding = std::string(Encoding->value());
  const auto [First, Last] = Header.equal_range(http::field::authorization);
  for (auto Field = First; Field != Last; ++Field) {
    if (Field != First) FRequest.Authorization += ", ";
    FRequest.Authorization.append(Field->value().data(), Field->value().size());
  }
  // curl and others wait a second for the go-ahead before sending a large body.
  const auto Expect = Header.find(http::field::expect);
  FContinue = Expect != Header.end() && Header.version() >= 11 && !FParser.is_done() &&
              boost::beast::iequals(Expect->value(), "100-continue");
  if (Method == http::verb::post && !FParser.content_length() && !FParser.chunked()) {
    FUntilClose = true;
    FRequest.KeepAlive = false;  // the close ends the body
    if (FPending.size() > BodyLimit) return Reject(TRefusal::BodyTooLarge);
    FRequest.Body = std::move(FPending);
    FPending.clear();
  }
  return TReadState::NeedMore;
}

TReadState THttpRequestReader::Complete() {
  FRequest.Body = std::move(FParser.get().body());
  return TReadState::Complete;
}

TReadState THttpRequestReader::Reject(TRefusal Why) {
  // Whatever is wrong further on, a request line that is not one the rules serve is
  // never answered.
  FRefusal = StartsWithServedMethod(FStart) ? Why : TRefusal::Silent;
  return TReadState::Reject;
}

TReadState THttpRequestReader::RejectParse(const boost::beast::error_code& Error) {
  if (Error == http::error::header_limit) return Reject(TRefusal::HeaderTooLarge);
  if (Error == http::error::body_limit) return Reject(TRefusal::BodyTooLarge);
  return Reject(TRefusal::Malformed);
}

TReadState THttpRequestReader::RejectOversize() {
  return Reject(FParser.is_header_done() ? TRefusal::BodyTooLarge : TRefusal::HeaderTooLarge);
}

TReadState THttpRequestReader::Finish() {
  if (FState != TReadState::NeedMore) return FState;
  return FState = FUntilClose ? TReadState::Complete : Reject(TRefusal::Silent);
}

std::size_t THttpRequestReader::Held() const {
  return FPending.capacity() + FStart.capacity() + FRequest.Body.capacity() + FRequest.Target.capacity() +
         FRequest.Authorization.capacity() +
         FParser.get().body().capacity();
}

}  // namespace dravel
