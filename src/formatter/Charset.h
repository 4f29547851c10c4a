#pragma once
// Conversion between the core's code page 1252 texts and other encodings, at the edges.

#include <string>
#include <string_view>

namespace dravel {

// Converts Text from one iconv encoding name to another. Characters the target cannot hold
// become a near form or "?"; into code page 1252 always one "?" per character. Invalid
// input bytes become "?". Throws std::runtime_error for an unknown encoding.
std::string ConvertCharset(std::string_view Text, const char* From, const char* To);
// The encoding of the current C locale (nl_langinfo(CODESET)), for example "UTF-8".
std::string LocaleCharset();

}  // namespace dravel
