// Bars and graphs as the markup label paints them: cells of the width of "0", on the
// baseline, as high as the ascent, in the text's colour, shadow and width included.
#include "panel/GaugePainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

#include "PanelTestSupport.h"
#include "panel/QarvLabel.h"

namespace dravel {
namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);

class GaugePainterTest : public testing::PanelTest {
 protected:
  static QFont TestFont() {
    QFont Font("DejaVu Sans");
    Font.setPixelSize(20);
    Font.setStyleStrategy(QFont::NoAntialias);
    return Font;
  }
  static int Cell() { return QFontMetrics(TestFont()).horizontalAdvance(QLatin1Char('0')); }
  static int Ascent() { return QFontMetrics(TestFont()).ascent(); }

  // Text painted in black on white into a Width x 3-lines rectangle; the accumulated width.
  int Paint(const std::string& Text, int Width = 600) {
    Image = QImage(640, 3 * QFontMetrics(TestFont()).height(), QImage::Format_RGB32);
    Image.fill(White);
    QPainter Canvas(&Image);
    return PaintMarkupText(Canvas, QRect(0, 0, Width, Image.height()), White, false, Text,
                           TestFont(), Black);
  }
  // How many pixels of row Y from X on have Colour before another colour comes.
  int RunOf(const QColor& Colour, int Y, int X = 0) const {
    int Count = 0;
    while (X + Count < Image.width() && Image.pixelColor(X + Count, Y) == Colour) ++Count;
    return Count;
  }
  // How many pixels of column X have Colour, counted up from the row above Baseline.
  int RiseOf(const QColor& Colour, int X, int Baseline) const {
    int Count = 0;
    while (Baseline - 1 - Count >= 0 && Image.pixelColor(X, Baseline - 1 - Count) == Colour) ++Count;
    return Count;
  }

  QImage Image;
};

TEST_F(GaugePainterTest, ABarsFilledWidthIsItsShareOfTheCellsWithinAPixel) {
  const int Width = 10 * Cell();
  for (const double Value : {0.0, 1.0, 12.5, 37.4, 50.0, 66.6, 99.0, 100.0}) {
    Paint(WriteGaugeToken({TGaugeKind::Bar, {Value}, 100.0, 10}));
    const int Filled = RunOf(Black, Ascent() / 2);
    EXPECT_LE(std::abs(Filled - Value / 100 * Width), 1.0) << Value;
  }
}

TEST_F(GaugePainterTest, ABarStandsOnTheBaselineAsHighAsTheAscentOverAFaintTrack) {
  const int Accumulated = Paint("<~B:50:100:8>");
  const int Width = 8 * Cell();
  EXPECT_EQ(Accumulated, Width);
  const int Half = Width / 2;
  // Filled from the top of the line (baseline less the ascent) down to the baseline.
  EXPECT_EQ(RiseOf(Black, 0, Ascent()), Ascent());
  EXPECT_EQ(Image.pixelColor(0, Ascent()), White);  // nothing below the baseline
  // The rest is the track: black at a quarter of its alpha over white.
  const QColor Track = Image.pixelColor(Half + 2, Ascent() / 2);
  EXPECT_NEAR(Track.red(), 255 - 255 / 4, 2);
  EXPECT_EQ(RunOf(Track, Ascent() / 2, Half), Width - Half);
  EXPECT_EQ(RiseOf(Track, Width - 1, Ascent()), Ascent());
  EXPECT_EQ(Image.pixelColor(Width, Ascent() / 2), White);
}

TEST_F(GaugePainterTest, ABarBeyondItsScaleIsFullAndBelowItEmpty) {
  Paint("<~B:250:100:4>");
  EXPECT_EQ(RunOf(Black, 1), 4 * Cell());
  Paint("<~B:-5:100:4>");
  EXPECT_EQ(RunOf(Black, 1), 0);
  EXPECT_NE(Image.pixelColor(1, 1), White);  // the track is still there
}

TEST_F(GaugePainterTest, AGraphHasAColumnPerSampleNewestOnTheRight) {
  Paint("<~G:25,50,100:100:4>");
  const int C = Cell();
  EXPECT_EQ(RiseOf(Black, C / 2, Ascent()), 0);  // no sample yet: empty, and no track
  EXPECT_EQ(Image.pixelColor(C / 2, Ascent() / 2), White);
  EXPECT_NEAR(RiseOf(Black, C + C / 2, Ascent()), 0.25 * Ascent(), 1);
  EXPECT_NEAR(RiseOf(Black, 2 * C + C / 2, Ascent()), 0.5 * Ascent(), 1);
  EXPECT_EQ(RiseOf(Black, 3 * C + C / 2, Ascent()), Ascent());
  // Each column is a cell wide.
  EXPECT_EQ(RunOf(Black, Ascent() - 1, C), 3 * C);
}

TEST_F(GaugePainterTest, AGraphWhoseScaleFollowsItsValuesTopsAtTheLargest) {
  Paint("<~G:500,1000:*:2>");
  EXPECT_NEAR(RiseOf(Black, Cell() / 2, Ascent()), 0.5 * Ascent(), 1);
  EXPECT_EQ(RiseOf(Black, Cell() + Cell() / 2, Ascent()), Ascent());
}

TEST_F(GaugePainterTest, ColourShadowAndPlaceApplyAsForText) {
  const int Text = QFontMetrics(TestFont()).horizontalAdvance(QStringLiteral("ab"));
  const int Accumulated = Paint("ab<C:Red><~B:100:100:2></C><S:3><~B:100:100:1>");
  EXPECT_EQ(Accumulated, Text + 3 * Cell());
  // The bar starts where the text ends, in the colour of its place.
  EXPECT_EQ(RunOf(QColor(255, 0, 0), 1, Text), 2 * Cell());
  // The shadowed one: grey three pixels lower and to the right, the bar over it.
  const int Shadowed = Text + 2 * Cell();
  EXPECT_EQ(RunOf(Black, 1, Shadowed), Cell());
  EXPECT_EQ(Image.pixelColor(Shadowed + Cell() + 1, Ascent() + 1), QColor(0x80, 0x80, 0x80));
}

TEST_F(GaugePainterTest, AGaugeThatDoesNotFitGoesWholeOntoTheNextLine) {
  const int LineHeight = QFontMetrics(TestFont()).height();
  Paint("ab<~B:100:100:4>", 4 * Cell() + 5);
  // Not on the first line after the text...
  const int Text = QFontMetrics(TestFont()).horizontalAdvance(QStringLiteral("ab"));
  EXPECT_EQ(RunOf(Black, 1, Text + 1), 0);
  // ...but whole at the start of the next.
  EXPECT_EQ(RunOf(Black, LineHeight + 1), 4 * Cell());
}

TEST_F(GaugePainterTest, TheMeasuredWidthCountsTheDrawnWidth) {
  const QFontMetrics Metrics(TestFont());
  EXPECT_EQ(MeasureMarkupText("ab<~B:1:2:10>cd<~G:1,2:*:3>", TestFont()),
            Metrics.horizontalAdvance(QStringLiteral("abcd")) + 13 * Cell());
  EXPECT_EQ(GaugeWidth({TGaugeKind::Bar, {1}, 2.0, 7}, TestFont()), 7 * Cell());
  // Bold draws bold cells.
  QFont Bold = TestFont();
  Bold.setBold(true);
  EXPECT_EQ(MeasureMarkupText("<B><~B:1:2:10>", TestFont()),
            10 * QFontMetrics(Bold).horizontalAdvance(QLatin1Char('0')));
  EXPECT_EQ(GaugesAsDigits("a<~B:1:2:3>b<B <~B:1:2:3>"), "a000b<B <~B:1:2:3>");
}

TEST_F(GaugePainterTest, ARightJustifiedLabelKeepsItsRightEdgeWithAGauge) {
  QWidget Parent;
  Parent.resize(400, 60);
  auto* Label = new TQarvColorLabel(&Parent);
  Label->setFont(TestFont());
  Label->SetRightJustify(true);
  Label->SetCaption("cpu <~B:10:100:12>");
  EXPECT_EQ(Label->width(), MeasureMarkupText("cpu ", TestFont()) + 12 * Cell());
  EXPECT_EQ(Label->x() + Label->width(), 400);
}

}  // namespace
}  // namespace dravel
