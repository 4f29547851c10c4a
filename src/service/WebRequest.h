#pragma once
// What the web module sees of an HTTP request, and what it answers.

#include <string>
#include <utility>
#include <vector>

namespace dravel {

struct TWebRequest {
  std::string Method;    // "GET", "POST" or "HEAD"
  std::string PathInfo;  // the request path without its query
  std::string Host;      // the Host header
  std::string Content;   // the body, followed by CR LF and the query when there was one
  std::string LocalAddress;  // "address:port" the connection arrived on; empty without one
  bool OverTls = false;      // the request came over HTTPS
};

struct TWebResponse {
  TWebResponse(int Status = 200, std::string Type = "text/html", std::string Body = {},
               std::string Encoding = {})
      : StatusCode(Status), ContentType(std::move(Type)), Content(std::move(Body)),
        ContentEncoding(std::move(Encoding)) {}

  int StatusCode;
  std::string ContentType;
  std::string Content;
  std::string ContentEncoding;  // "gzip" for a compressed Content; empty when plain
  std::vector<std::pair<std::string, std::string>> Headers;  // further header fields, in order
};

}  // namespace dravel
