#pragma once
// Lines of a format text: a line ends at CR LF, a lone CR or a lone LF; a break at the
// very end makes no empty last line.

#include <string>
#include <string_view>
#include <vector>

namespace dravel {

std::vector<std::string> SplitLines(std::string_view Text);

}  // namespace dravel
