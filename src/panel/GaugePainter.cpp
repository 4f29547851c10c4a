#include "panel/GaugePainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "formatter/QarvMarkup.h"

namespace dravel {
namespace {

int CellWidth(const QFont& Font) {
  return std::max(1, QFontMetrics(Font).horizontalAdvance(QLatin1Char('0')));
}

}  // namespace

int GaugeWidth(const TGaugeToken& Token, const QFont& Font) {
  return static_cast<int>(Token.Cells) * CellWidth(Font);
}

void PaintGauge(QPainter& Canvas, const TGaugeToken& Token, const QFont& Font, int X, int Baseline,
                const QColor& Colour) {
  if (Token.Values.empty()) return;
  const int Cell = CellWidth(Font);
  const int Height = std::max(1, QFontMetrics(Font).ascent());
  const double Top = GaugeTop(Token);
  if (Token.Kind == TGaugeKind::Bar) {
    const int Width = static_cast<int>(Token.Cells) * Cell;
    QColor Track = Colour;
    Track.setAlpha(Colour.alpha() / 4);
    Canvas.fillRect(QRect(X, Baseline - Height, Width, Height), Track);
    const int Filled = qRound(GaugeShare(Token.Values.front(), Top) * Width);
    if (Filled > 0) Canvas.fillRect(QRect(X, Baseline - Height, Filled, Height), Colour);
    return;
  }
  const std::size_t Shown = std::min(Token.Values.size(), Token.Cells);
  int Column = X + static_cast<int>(Token.Cells - Shown) * Cell;
  for (std::size_t I = Token.Values.size() - Shown; I < Token.Values.size(); ++I) {
    const int Rise = qRound(GaugeShare(Token.Values[I], Top) * Height);
    if (Rise > 0) Canvas.fillRect(QRect(Column, Baseline - Rise, Cell, Rise), Colour);
    Column += Cell;
  }
}

std::string GaugesAsDigits(std::string_view Caption) {
  std::string Measured;
  SplitAtGauges(
      Caption, [&](std::string_view Plain) { Measured += Plain; },
      [&](const TGaugeToken& Token) { Measured.append(Token.Cells, '0'); });
  return Measured;
}

}  // namespace dravel
