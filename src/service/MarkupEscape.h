#pragma once
// Text of code page 1252 made safe for XML and HTML text and attribute values, as UTF-8.

#include <string>
#include <string_view>

namespace dravel {

// Character data: escapes & < and >, keeps tab and line feed, writes CR as a character
// reference (so it survives line-end normalisation) and the other control characters,
// which XML 1.0 cannot carry, as "?".
std::string XmlText(std::string_view Text);
// An attribute value in double or single quotes: as XmlText, and " and ' escaped too.
std::string XmlAttribute(std::string_view Text);

}  // namespace dravel
