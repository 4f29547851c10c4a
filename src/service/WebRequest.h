#pragma once
// What the web module sees of an HTTP request, and what it answers.

#include <string>

namespace dravel {

struct TWebRequest {
  std::string Method;    // "GET", "POST" or "HEAD"
  std::string PathInfo;  // the request path without its query
  std::string Host;      // the Host header
  std::string Content;   // the body, followed by CR LF and the query when there was one
};

struct TWebResponse {
  int StatusCode = 200;
  std::string ContentType = "text/html";
  std::string Content;
};

}  // namespace dravel
