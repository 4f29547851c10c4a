#pragma once
// JSON strings written straight into an output buffer: the status-bar writers build each
// refresh as text, without a document tree.

#include <string>
#include <string_view>

namespace dravel {

// Appends Text as a JSON string, quotes included. Text is meant to be UTF-8; quotes,
// backslashes and control characters are escaped, and a byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD, so the result is always valid JSON.
void AppendJsonString(std::string& Out, std::string_view Text);

}  // namespace dravel
