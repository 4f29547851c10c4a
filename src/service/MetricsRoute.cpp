#include "service/MetricsRoute.h"

#include <zlib.h>

#include <charconv>
#include <stdexcept>

#include "formatter/TextCase.h"

namespace dravel {

namespace {

std::string_view Trim(std::string_view Text) {
  while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
  while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t')) Text.remove_suffix(1);
  return Text;
}

// The q of one list entry's parameters (";q=0.5"), 1 when it has none.
double Quality(std::string_view Parameters) {
  while (!Parameters.empty()) {
    const std::size_t Semicolon = Parameters.find(';');
    const std::string_view Parameter = Trim(Parameters.substr(0, Semicolon));
    Parameters = Semicolon == std::string_view::npos ? std::string_view{} : Parameters.substr(Semicolon + 1);
    if (Parameter.size() < 2 || (Parameter[0] != 'q' && Parameter[0] != 'Q') || Parameter[1] != '=') continue;
    const std::string_view Value = Trim(Parameter.substr(2));
    double Q = 0;
    const auto [End, Error] = std::from_chars(Value.data(), Value.data() + Value.size(), Q);
    return Error == std::errc{} && End == Value.data() + Value.size() ? Q : 0;
  }
  return 1;
}

}  // namespace

bool AcceptsGzip(std::string_view AcceptEncoding) {
  std::optional<double> Gzip, Any;
  while (!AcceptEncoding.empty()) {
    const std::size_t Comma = AcceptEncoding.find(',');
    const std::string_view Entry = AcceptEncoding.substr(0, Comma);
    AcceptEncoding = Comma == std::string_view::npos ? std::string_view{} : AcceptEncoding.substr(Comma + 1);
    const std::size_t Semicolon = Entry.find(';');
    const std::string_view Coding = Trim(Entry.substr(0, Semicolon));
    const double Q = Semicolon == std::string_view::npos ? 1 : Quality(Entry.substr(Semicolon + 1));
    if (SameTextAscii(Coding, "gzip") || SameTextAscii(Coding, "x-gzip")) Gzip = Q;
    if (Coding == "*") Any = Q;
  }
  return Gzip ? *Gzip > 0 : Any.value_or(0) > 0;
}

std::string GzipText(std::string_view Text) {
  z_stream Stream{};
  // 15 window bits plus 16: a gzip header and trailer around the deflate stream.
  if (deflateInit2(&Stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("zlib could not start compressing");
  }
  std::string Out(deflateBound(&Stream, static_cast<uLong>(Text.size())), '\0');
  Stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Text.data()));
  Stream.avail_in = static_cast<uInt>(Text.size());
  Stream.next_out = reinterpret_cast<Bytef*>(Out.data());
  Stream.avail_out = static_cast<uInt>(Out.size());
  const int Result = deflate(&Stream, Z_FINISH);
  Out.resize(Stream.total_out);
  deflateEnd(&Stream);
  if (Result != Z_STREAM_END) throw std::runtime_error("zlib could not compress the page");
  return Out;
}

std::optional<TWebResponse> ServeMetrics(const THttpRequest& Request, TMetricsPage& Page) {
  const std::string_view Path = std::string_view(Request.Target).substr(0, Request.Target.find('?'));
  if (Path != "/metrics" || (Request.Method != "GET" && Request.Method != "HEAD")) return std::nullopt;
  TWebResponse Response{200, TMetricsPage::ContentType, Page.Scrape()};
  if (AcceptsGzip(Request.AcceptEncoding)) {
    Response.Content = GzipText(Response.Content);
    Response.ContentEncoding = "gzip";
  }
  return Response;
}

}  // namespace dravel
