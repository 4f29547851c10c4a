// Expansion of the uptime pattern ("*d* days, *H* hrs, ...").
#include "formatter/NumberFormat.h"
#include "formatter/UTPFormat.h"

namespace dravel {
namespace {

// Replaces the first occurrence of Token in Text, if any.
void ReplaceFirst(std::string& Text, std::string_view Token, const std::string& Value) {
  const std::size_t At = Text.find(Token);
  if (At != std::string::npos) Text.replace(At, Token.size(), Value);
}

}  // namespace

void TUTPFormat::UpTimeSubFormat(std::string_view Pattern, bool LeadZero, std::string& Output,
                                 std::int64_t Seconds) {
  // Whole division: each unit is what the larger units leave.
  const std::int64_t Days = Seconds / 86400;
  std::int64_t Rest = Seconds - Days * 86400;
  const std::int64_t Hours = Rest / 3600;
  Rest -= Hours * 3600;
  const std::int64_t Minutes = Rest / 60;
  Rest -= Minutes * 60;

  const auto Small = [LeadZero](std::int64_t Value) {
    return LeadZero ? FormatIntDigits(Value, 2) : FormatInt(Value);
  };
  std::string Text(Pattern);
  ReplaceFirst(Text, "*d*", LeadZero ? FormatInt(Days, 2) : FormatInt(Days));
  ReplaceFirst(Text, "*D*", FormatInt(Days, 2));
  ReplaceFirst(Text, "*h*", Small(Hours));
  ReplaceFirst(Text, "*H*", FormatIntDigits(Hours, 2));
  ReplaceFirst(Text, "*m*", Small(Minutes));
  ReplaceFirst(Text, "*M*", FormatIntDigits(Minutes, 2));
  ReplaceFirst(Text, "*s*", Small(Rest));
  ReplaceFirst(Text, "*S*", FormatIntDigits(Rest, 2));
  Output = std::move(Text);
}

}  // namespace dravel
