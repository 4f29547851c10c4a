#include "panel/ColourKeyShape.h"

#include <cstddef>

namespace dravel {

std::vector<platform::TShapeRect> KeptRectangles(const QImage& Picture, QRgb Key) {
  const QImage image = Picture.convertToFormat(QImage::Format_RGB32);
  const QRgb key = Key | 0xFF000000U;
  std::vector<platform::TShapeRect> rects;
  // Rectangles that reached the previous row, still growable downwards.
  std::vector<std::size_t> open;
  std::vector<std::size_t> next;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    next.clear();
    std::size_t o = 0;
    int x = 0;
    while (x < image.width()) {
      if ((row[x] | 0xFF000000U) == key) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < image.width() && (row[x] | 0xFF000000U) != key) ++x;
      const int width = x - start;
      // Open rectangles are in left-to-right order, as are this row's runs.
      while (o < open.size() && rects[open[o]].X < start) ++o;
      if (o < open.size() && rects[open[o]].X == start && rects[open[o]].Width == width) {
        ++rects[open[o]].Height;
        next.push_back(open[o]);
        ++o;
      } else {
        rects.push_back({start, y, width, 1});
        next.push_back(rects.size() - 1);
      }
    }
    open.swap(next);
  }
  return rects;
}

}  // namespace dravel
