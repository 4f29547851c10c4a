#include "panel/ColourKeyShape.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace dravel {
namespace {

using platform::TShapeRect;

QImage Canvas(int W, int H) {
  QImage image(W, H, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

TEST(ColourKeyShapeTest, AllKeyColourLeavesNothing) {
  EXPECT_TRUE(KeptRectangles(Canvas(10, 5), qRgb(255, 255, 255)).empty());
}

TEST(ColourKeyShapeTest, NoKeyColourKeepsTheWholeWindowAsOneRectangle) {
  EXPECT_EQ(KeptRectangles(Canvas(10, 5), qRgb(0, 0, 0)), (std::vector<TShapeRect>{{0, 0, 10, 5}}));
}

TEST(ColourKeyShapeTest, ABlockIsMergedOverTheRowsItSpans) {
  QImage image = Canvas(20, 10);
  QPainter(&image).fillRect(QRect(3, 2, 5, 4), Qt::black);
  EXPECT_EQ(KeptRectangles(image, qRgb(255, 255, 255)), (std::vector<TShapeRect>{{3, 2, 5, 4}}));
}

TEST(ColourKeyShapeTest, SeparateRunsAndChangingRowsGiveSeparateRectangles) {
  QImage image = Canvas(20, 4);
  {
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 2, 2), Qt::red);   // left block, rows 0-1
    p.fillRect(QRect(10, 0, 3, 1), Qt::red);  // right run, row 0 only
    p.fillRect(QRect(10, 1, 4, 1), Qt::red);  // wider on row 1
  }
  EXPECT_EQ(KeptRectangles(image, qRgb(255, 255, 255)),
            (std::vector<TShapeRect>{{0, 0, 2, 2}, {10, 0, 3, 1}, {10, 1, 4, 1}}));
}

TEST(ColourKeyShapeTest, AlphaDoesNotHideTheKeyColour) {
  QImage image(4, 1, QImage::Format_ARGB32);
  image.fill(qRgba(0, 0, 0, 0));
  image.setPixel(1, 0, qRgba(0, 0, 255, 255));
  EXPECT_EQ(KeptRectangles(image, qRgb(0, 0, 0)), (std::vector<TShapeRect>{{1, 0, 1, 1}}));
}

}  // namespace
}  // namespace dravel
