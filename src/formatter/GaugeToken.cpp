#include "formatter/GaugeToken.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dravel {
namespace {

// Shortest form that reads back the same; a figure that came from a single-precision
// field is written in its short single-precision form ("37.4", not "37.400001525878906").
void AppendNumber(std::string& Out, double Value) {
  if (!std::isfinite(Value)) Value = 0;
  char Text[32];
  const float Single = static_cast<float>(Value);
  const auto Result = static_cast<double>(Single) == Value
                          ? std::to_chars(Text, Text + sizeof Text, Single)
                          : std::to_chars(Text, Text + sizeof Text, Value);
  Out.append(Text, Result.ptr);
}

std::optional<double> ReadNumber(std::string_view Text) {
  double Value = 0;
  const char* End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Text.data(), End, Value);
  if (Text.empty() || Error != std::errc() || Stop != End || !std::isfinite(Value))
    return std::nullopt;
  return Value;
}

std::optional<std::size_t> ReadCells(std::string_view Text) {
  if (Text.empty() || Text.size() > 3 || Text.find_first_not_of("0123456789") != Text.npos)
    return std::nullopt;
  std::size_t Cells = 0;
  for (const char C : Text) Cells = Cells * 10 + static_cast<std::size_t>(C - '0');
  if (Cells == 0 || Cells > MaxGaugeCells) return std::nullopt;
  return Cells;
}

// The next field up to Separator (or the end), taken off the front of Text.
std::string_view TakeField(std::string_view& Text, char Separator) {
  const std::size_t At = Text.find(Separator);
  const std::string_view Field = Text.substr(0, At);
  Text = At == Text.npos ? std::string_view() : Text.substr(At + 1);
  return Field;
}

}  // namespace

std::string WriteGaugeToken(const TGaugeToken& Token) {
  std::string Values;
  for (std::size_t I = 0; I < Token.Values.size(); ++I) {
    if (I > 0) Values += ',';
    AppendNumber(Values, Token.Values[I]);
  }
  return WriteGaugeToken(Token.Kind, Values, Token.Top, Token.Cells);
}

std::string WriteGaugeToken(TGaugeKind Kind, std::string_view Values, std::optional<double> Top,
                            std::size_t Cells) {
  std::string Out = "<~";
  Out += static_cast<char>(Kind);
  Out += ':';
  Out += Values;
  Out += ':';
  if (Top) {
    AppendNumber(Out, *Top);
  } else {
    Out += '*';
  }
  Out += ':';
  Out += std::to_string(Cells);
  Out += '>';
  return Out;
}

std::string GaugeNumberText(double Value) {
  std::string Text;
  AppendNumber(Text, Value);
  return Text;
}

std::optional<TGaugeToken> ReadGaugeToken(std::string_view Tag) {
  if (Tag.size() < 3 || Tag[0] != '~' || Tag[2] != ':') return std::nullopt;
  TGaugeToken Token;
  switch (Tag[1]) {
    case 'B': case 'b': Token.Kind = TGaugeKind::Bar; break;
    case 'G': case 'g': Token.Kind = TGaugeKind::Graph; break;
    default: return std::nullopt;
  }
  std::string_view Rest = Tag.substr(3);
  const std::string_view Values = TakeField(Rest, ':');
  const std::string_view Top = TakeField(Rest, ':');
  const std::optional<std::size_t> Cells = ReadCells(Rest);
  if (!Cells) return std::nullopt;
  Token.Cells = *Cells;
  if (Top != "*") {
    Token.Top = ReadNumber(Top);
    if (!Token.Top) return std::nullopt;
  }
  const std::size_t MostValues = Token.Kind == TGaugeKind::Bar ? 1 : Token.Cells;
  for (std::size_t Start = 0;;) {
    const std::size_t Comma = Values.find(',', Start);
    const std::optional<double> Value = ReadNumber(Values.substr(Start, Comma - Start));
    if (!Value || Token.Values.size() == MostValues) return std::nullopt;
    Token.Values.push_back(*Value);
    if (Comma == Values.npos) return Token;
    Start = Comma + 1;
  }
}

double GaugeTop(const TGaugeToken& Token) {
  if (Token.Top) return *Token.Top;
  return Token.Values.empty() ? 0 : *std::max_element(Token.Values.begin(), Token.Values.end());
}

double GaugeShare(double Value, double Top) {
  if (!(Top > 0) || !(Value > 0)) return 0;
  return Value >= Top ? 1 : Value / Top;
}

}  // namespace dravel
