#pragma once
// The bytes of an HTTP answer: the web layer's responses as the service writes them, and
// the short plain-text refusals of requests the server will not serve.

#include <string>
#include <string_view>

#include "service/WebRequest.h"

namespace dravel {

// "HTTP/1.1", status, "Server", "Content-Type", the response's own header fields,
// "Content-Length" when there is content, and "Connection" telling whether the connection
// stays open. HEAD leaves the content out.
std::string ResponseText(const TWebResponse& Response, bool Head, bool KeepAlive);
// Status with Reason (one line) as a plain-text body; the connection closes after it.
std::string RefusalText(int Status, std::string_view Reason);

}  // namespace dravel
