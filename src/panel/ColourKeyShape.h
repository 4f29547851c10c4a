#pragma once
// The colour-key cut-out: which parts of the window's picture are kept.
#include <QImage>
#include <vector>

#include "platform/WindowShape.h"

namespace dravel {

// Rectangles covering every pixel of Picture whose colour is not Key (alpha
// ignored); rows with the same runs are merged into taller rectangles.
std::vector<platform::TShapeRect> KeptRectangles(const QImage& Picture, QRgb Key);

}  // namespace dravel
