#pragma once
// How the service's values are written into and read from SOAP messages.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "service/VantorIntf.h"

namespace dravel {

// General format with up to 15 significant digits and "." whatever the locale; the
// exponent form ("1E-6", "1.5E20") below 0.00001 and from 15 integer digits up.
std::string FormatSingle(float Value);

// A decimal integer after trimming blanks, stored in 8 bits as the parameter type is.
// Throws TSoapError "'<text>' is not a valid integer value" for anything else.
std::int8_t ReadShortint(std::string_view Text);
// The first character; an empty text gives character code 0.
char ReadChar(std::string_view Text);
// A value name without regard to case after trimming blanks; an unknown name gives a
// value outside the enumeration.
TSubItem ReadSubItem(std::string_view Text);

}  // namespace dravel
