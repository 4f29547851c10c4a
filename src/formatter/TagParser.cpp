#include "formatter/TagParser.h"

#include <algorithm>
#include <climits>

#include "formatter/TextCase.h"

namespace dravel {
namespace {


// Digits directly after SIZE=; none, or a number beyond a 32-bit signed integer, count as 0.
std::size_t ReadSize(std::string_view Digits) {
  long long Value = 0;
  for (const char C : Digits) {
    if (C < '0' || C > '9') break;
    Value = Value * 10 + (C - '0');
    if (Value > INT_MAX) return 0;
  }
  return static_cast<std::size_t>(Value);
}

}  // namespace

TTagAttributes ParseTagAttributes(std::string_view Tag) {
  const std::string Upper = UpperCaseAscii(Tag);
  TTagAttributes Result;

  constexpr std::string_view FormatKey = "FORMAT=\"";
  if (const std::size_t At = Upper.find(FormatKey); At != std::string::npos) {
    const std::size_t Begin = At + FormatKey.size();
    const std::size_t Close = Tag.find('"', Begin);
    Result.Format = Tag.substr(Begin, Close == std::string_view::npos ? Tag.npos : Close - Begin);
  }
  Result.LeadZero = Upper.find("LEADZERO") != std::string::npos;
  Result.Decimal = Upper.find("DECIMAL") != std::string::npos;

  constexpr std::string_view SizeKey = "SIZE=";
  if (const std::size_t At = Upper.find(SizeKey); At != std::string::npos) {
    Result.Size = ReadSize(Tag.substr(At + SizeKey.size()));
  }
  constexpr std::string_view CharKey = "CHAR=";
  if (const std::size_t At = Upper.find(CharKey); At != std::string::npos &&
                                                  At + CharKey.size() < Tag.size()) {
    Result.Fill = Tag[At + CharKey.size()];
  }
  return Result;
}

bool UpperEqualsAt(std::string_view Text, std::size_t At, std::string_view Upper) {
  if (Text.size() - At < Upper.size()) return false;
  for (std::size_t I = 0; I < Upper.size(); ++I) {
    char C = Text[At + I];
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    if (C != Upper[I]) return false;
  }
  return true;
}

std::size_t FindOpener(std::string_view Text, std::size_t From) {
  for (std::size_t At = Text.find('<', From); At != std::string_view::npos;
       At = Text.find('<', At + 1)) {
    if (UpperEqualsAt(Text, At, Opener)) return At;
  }
  return std::string_view::npos;
}

std::size_t FindTagOpener(std::string_view Text, std::string_view UpperName, std::size_t From) {
  for (std::size_t At = FindOpener(Text, From); At != std::string_view::npos;
       At = FindOpener(Text, At + 1)) {
    if (UpperEqualsAt(Text, At + Opener.size(), UpperName)) return At;
  }
  return std::string_view::npos;
}

std::string PadValue(std::string Value, const TTagAttributes& Attributes, bool RightAligned) {
  if (!Attributes.Size || *Attributes.Size <= Value.size()) return Value;
  const std::size_t Count = std::min(*Attributes.Size - Value.size(), MaxFill);
  const std::string Fill(Count, Attributes.Fill);
  return RightAligned ? Fill + Value : Value + Fill;
}

}  // namespace dravel
