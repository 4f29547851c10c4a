#include "formatter/TextCase.h"

#include <algorithm>

namespace dravel {
namespace {

char UpperAscii(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

}  // namespace

std::string UpperCaseAscii(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result) C = UpperAscii(C);
  return Result;
}

bool SameTextAscii(std::string_view A, std::string_view B) {
  return std::equal(A.begin(), A.end(), B.begin(), B.end(),
                    [](char X, char Y) { return UpperAscii(X) == UpperAscii(Y); });
}

}  // namespace dravel
