#include "GaugeCells.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "formatter/Charset.h"

namespace dravel {
namespace {

constexpr char32_t FullBlock = 0x2588;
constexpr std::string_view AsciiLevels = ".,:-=+*#";

void AppendUtf8(std::string& Out, char32_t Code) {
  // Every block character lies in U+0800..U+FFFF: three bytes.
  Out += static_cast<char>(0xE0 | (Code >> 12));
  Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
  Out += static_cast<char>(0x80 | (Code & 0x3F));
}

std::string BarCells(const TGaugeToken& Token, TCellStyle Style) {
  const std::size_t Cells = Token.Cells;
  const double Share = GaugeShare(Token.Values.front(), GaugeTop(Token));
  const auto Eighths = static_cast<std::size_t>(std::lround(Share * static_cast<double>(Cells * 8)));
  std::string Out;
  std::size_t Used = 0;
  if (Style == TCellStyle::Ascii) {
    Used = (Eighths + 4) / 8;
    Out.assign(Used, '#');
  } else {
    for (; Used < Eighths / 8; ++Used) AppendUtf8(Out, FullBlock);
    if (Eighths % 8 != 0) {
      AppendUtf8(Out, 0x2590 - static_cast<char32_t>(Eighths % 8));  // left seven eighths .. one
      ++Used;
    }
  }
  Out.append(Cells - Used, ' ');
  return Out;
}

// 0 for a blank, else 1 to 8 eighths.
int GraphLevel(double Value, double Top) {
  const double Share = GaugeShare(Value, Top);
  if (Share <= 0) return 0;
  return std::clamp(static_cast<int>(std::ceil(Share * 8)), 1, 8);
}

std::string GraphCells(const TGaugeToken& Token, TCellStyle Style) {
  const double Top = GaugeTop(Token);
  const std::size_t Shown = std::min(Token.Values.size(), Token.Cells);
  std::string Out(Token.Cells - Shown, ' ');
  for (std::size_t I = Token.Values.size() - Shown; I < Token.Values.size(); ++I) {
    const int Level = GraphLevel(Token.Values[I], Top);
    if (Level == 0) {
      Out += ' ';
    } else if (Style == TCellStyle::Ascii) {
      Out += AsciiLevels[static_cast<std::size_t>(Level - 1)];
    } else {
      AppendUtf8(Out, 0x2580 + static_cast<char32_t>(Level));  // lower one eighth .. full
    }
  }
  return Out;
}

}  // namespace

std::string GaugeCells(const TGaugeToken& Token, TCellStyle Style) {
  if (Token.Values.empty()) return std::string(Token.Cells, ' ');
  return Token.Kind == TGaugeKind::Bar ? BarCells(Token, Style) : GraphCells(Token, Style);
}

TCellStyle CellStyleFor(std::string_view Charset) {
  std::string Every;
  for (char32_t Code = 0x2581; Code <= 0x258F; ++Code) AppendUtf8(Every, Code);
  const std::string Name(Charset);
  // What the encoding cannot hold comes back changed.
  const std::string There = ConvertCharset(Every, "UTF-8", Name.c_str());
  return ConvertCharset(There, Name.c_str(), "UTF-8") == Every ? TCellStyle::Blocks
                                                               : TCellStyle::Ascii;
}

}  // namespace dravel
