#pragma once
// "/metrics" on the web service port: the metrics page for GET and HEAD, gzip-compressed
// when the request's Accept-Encoding allows it.

#include <optional>
#include <string>
#include <string_view>

#include "service/HttpRequestReader.h"
#include "service/MetricsPage.h"
#include "service/WebRequest.h"

namespace dravel {

// Empty for any other path or method.
std::optional<TWebResponse> ServeMetrics(const THttpRequest& Request, TMetricsPage& Page);

// Whether an Accept-Encoding value allows gzip: listed (or "*") with a non-zero q.
bool AcceptsGzip(std::string_view AcceptEncoding);

// Text in the gzip format; throws std::runtime_error when zlib fails.
std::string GzipText(std::string_view Text);

}  // namespace dravel
