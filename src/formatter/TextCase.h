#pragma once
// Case folding of the ASCII letters only, as the tag language and the catalogue use it.

#include <string>
#include <string_view>

namespace dravel {

std::string UpperCaseAscii(std::string_view Text);
bool SameTextAscii(std::string_view A, std::string_view B);

}  // namespace dravel
