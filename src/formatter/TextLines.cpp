#include "formatter/TextLines.h"

namespace dravel {

std::vector<std::string> SplitLines(std::string_view Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t Break = Text.find_first_of("\r\n", Start);
    if (Break == std::string_view::npos) {
      Lines.emplace_back(Text.substr(Start));
      break;
    }
    Lines.emplace_back(Text.substr(Start, Break - Start));
    Start = Break + (Text.compare(Break, 2, "\r\n") == 0 ? 2 : 1);
  }
  return Lines;
}

}  // namespace dravel
