#pragma once
// Reads a SOAP 1.1 request: the operation element's local name and its child elements.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dravel {

struct TSoapRequest {
  std::string Operation;  // local name of the first element in the Body
  // Local name and text (code page 1252) of each child element of the operation, in order.
  std::vector<std::pair<std::string, std::string>> Elements;
};

// Throws TSoapError: the parser's own message for content that is not well-formed, a
// refusal for a document type declaration (before anything in it is read), "Invalid
// SOAP request", "Error Processing Header %s" for a header entry that must be
// understood, "Multiple body elements not supported".
TSoapRequest ReadSoapRequest(std::string_view Message);

}  // namespace dravel
