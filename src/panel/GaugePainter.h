#pragma once
// Bars and history graphs of the label markup as the panel draws them: in cells the width
// of the digit "0" in the font, standing on the text's baseline, as high as the font's
// ascent, in the colour text would have at their place.

#include <QColor>
#include <QFont>
#include <string>
#include <string_view>

#include "formatter/GaugeToken.h"

class QPainter;

namespace dravel {

// The width Token draws in Font: its cells times the width of "0".
int GaugeWidth(const TGaugeToken& Token, const QFont& Font);

// Draws Token from X on Baseline. A bar is a rectangle filled in Colour over a track of
// Colour at a quarter of its alpha, as wide as its share of the scale; a graph is a
// column a cell wide per sample, newest on the right, each filled from the baseline up to
// its share of the height.
void PaintGauge(QPainter& Canvas, const TGaugeToken& Token, const QFont& Font, int X, int Baseline,
                const QColor& Colour);

// The caption with each gauge token as that many "0" characters, so that measuring it as
// plain text counts a gauge's drawn width instead of its characters.
std::string GaugesAsDigits(std::string_view Caption);

}  // namespace dravel
