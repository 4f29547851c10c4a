#include "panel/TextLines.h"

namespace dravel {

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::string Line;
  bool Pending = false;  // a line has begun and not yet been ended by a break
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\r' || C == '\n') {
      Lines.push_back(std::move(Line));
      Line.clear();
      Pending = false;
      if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    } else {
      Line.push_back(C);
      Pending = true;
    }
  }
  if (Pending) Lines.push_back(std::move(Line));
  return Lines;
}

}  // namespace dravel
