#include "service/HttpResponseText.h"

#include <ostream>  // the status header uses streams without including them

#include <boost/beast/http/status.hpp>

namespace dravel {

namespace {

constexpr std::string_view ServerName = "Dravel/87";

std::string StatusLine(int Status) {
  const auto Reason = boost::beast::http::obsolete_reason(static_cast<boost::beast::http::status>(Status));
  std::string Line = "HTTP/1.1 " + std::to_string(Status) + " ";
  Line.append(Reason.data(), Reason.size());
  return Line + "\r\n";
}

}  // namespace

std::string ResponseText(const TWebResponse& Response, bool Head, bool KeepAlive) {
  std::string Text = StatusLine(Response.StatusCode);
  Text.reserve(Text.size() + 128 + (Head ? 0 : Response.Content.size()));
  Text.append("Server: ").append(ServerName).append("\r\nContent-Type: ").append(Response.ContentType);
  if (!Response.ContentEncoding.empty()) Text.append("\r\nContent-Encoding: ").append(Response.ContentEncoding);
  for (const auto& [Name, Value] : Response.Headers) Text.append("\r\n").append(Name).append(": ").append(Value);
  if (!Response.Content.empty()) Text.append("\r\nContent-Length: ").append(std::to_string(Response.Content.size()));
  // Said either way: an HTTP/1.0 client keeps a connection only when told so, and an
  // HTTP/1.1 client would send its next request on one that is about to close.
  Text.append(KeepAlive ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
  if (!Head) Text.append(Response.Content);
  return Text;
}

std::string RefusalText(int Status, std::string_view Reason) {
  const std::string Body = std::string(Reason) + "\n";
  return StatusLine(Status) + "Server: " + std::string(ServerName) +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(Body.size()) +
         "\r\nConnection: close\r\n\r\n" + Body;
}

}  // namespace dravel
