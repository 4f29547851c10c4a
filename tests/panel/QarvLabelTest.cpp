#include "panel/QarvLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

namespace dravel {
namespace {

using TPixels = std::set<std::pair<int, int>>;

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);

class QarvLabelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QApplication::instance() == nullptr) {
      static int Argc = 1;
      static char Name[] = "qarv_label_test";
      static char* Argv[] = {Name, nullptr};
      static QApplication App(Argc, Argv);
    }
  }

  // A large font without smoothing, so every drawn pixel has its exact colour.
  static QFont TestFont(bool Bold = false, bool Italic = false, bool Underline = false) {
    QFont Font("DejaVu Sans");
    Font.setPixelSize(20);
    Font.setStyleStrategy(QFont::NoAntialias);
    Font.setBold(Bold);
    Font.setItalic(Italic);
    Font.setUnderline(Underline);
    return Font;
  }

  static int Advance(const QString& Text, const QFont& Font = TestFont()) {
    return QFontMetrics(Font).horizontalAdvance(Text);
  }

  static int LineHeight() { return QFontMetrics(TestFont()).height(); }

  // The label in black on white, of the given height, showing Caption, painted.
  static QImage Grab(TQarvColorLabel& Label, const std::string& Caption, int Height = 60) {
    QPalette Colours = Label.palette();
    Colours.setColor(QPalette::WindowText, Black);
    Label.setPalette(Colours);
    Label.SetColor(White);
    Label.resize(Label.width(), Height);
    Label.SetCaption(Caption);
    return Label.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  static QImage Grab(const std::string& Caption, const QFont& Font = TestFont(), int Height = 60) {
    TQarvColorLabel Label;
    Label.setFont(Font);
    return Grab(Label, Caption, Height);
  }

  static TPixels PixelsOf(const QImage& Image, const QColor& Colour) {
    TPixels Found;
    for (int Y = 0; Y < Image.height(); ++Y)
      for (int X = 0; X < Image.width(); ++X)
        if (Image.pixelColor(X, Y) == Colour) Found.insert({X, Y});
    return Found;
  }

  static TPixels Where(const TPixels& Pixels, const std::function<bool(int X, int Y)>& Keep) {
    TPixels Found;
    for (const auto& [X, Y] : Pixels)
      if (Keep(X, Y)) Found.insert({X, Y});
    return Found;
  }

  static TPixels Shifted(const TPixels& Pixels, int Offset, const QImage& Within) {
    TPixels Moved;
    for (const auto& [X, Y] : Pixels)
      if (Within.valid(X + Offset, Y + Offset)) Moved.insert({X + Offset, Y + Offset});
    return Moved;
  }
};

class QarvLabelColours : public QarvLabelTest {};

TEST_F(QarvLabelColours, ColourTagPaintsItsRunAndClosingTagRestoresTheFontColour) {
  const QImage Image = Grab("HHH<C:Red>HHH</C>HHH");
  const int RedFrom = Advance("HHH");
  const int RedTo = Advance("HHHHHH");
  const TPixels Red = PixelsOf(Image, QColor(255, 0, 0));
  const TPixels Dark = PixelsOf(Image, Black);
  EXPECT_FALSE(Red.empty());
  EXPECT_TRUE(Where(Red, [&](int X, int) { return X < RedFrom || X >= RedTo; }).empty());
  EXPECT_TRUE(Where(Dark, [&](int X, int) { return X >= RedFrom && X < RedTo; }).empty());
  EXPECT_FALSE(Where(Dark, [&](int X, int) { return X >= RedTo; }).empty());
}

TEST_F(QarvLabelColours, HexColourIsBlueGreenRedWithRedInTheLowByte) {
  EXPECT_FALSE(PixelsOf(Grab("<C:$8080FF>HHH"), QColor(0xFF, 0x80, 0x80)).empty());
  EXPECT_FALSE(PixelsOf(Grab("<C:$FF0000>HHH"), QColor(0, 0, 0xFF)).empty());
}

TEST_F(QarvLabelColours, DecimalOrUnknownColourLeavesTheFontColour) {
  const QImage Image = Grab("<C:255>HH<C:Nonsense>HH");
  const TPixels Dark = PixelsOf(Image, Black);
  const TPixels Background = PixelsOf(Image, White);
  EXPECT_FALSE(Dark.empty());
  EXPECT_EQ(Dark.size() + Background.size(),
            static_cast<std::size_t>(Image.width() * Image.height()));
}

TEST_F(QarvLabelColours, SystemColourComesFromTheDesktopPalette) {
  const QPalette Saved = QGuiApplication::palette();
  QPalette Desktop = Saved;
  Desktop.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 200, 30));
  QGuiApplication::setPalette(Desktop);
  const QImage Named = Grab("<C:Highlight>HH");
  const QImage ByValue = Grab("<C:$8000000D>HH");
  QGuiApplication::setPalette(Saved);
  EXPECT_FALSE(PixelsOf(Named, QColor(10, 200, 30)).empty());
  EXPECT_EQ(Named, ByValue);
}

TEST_F(QarvLabelColours, ColourValuesAsTheSettingsKeepThem) {
  EXPECT_EQ(ColorToQColor(0x332211), QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(ColorToQColor(SystemColorFlag | 8),
            QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText));
  EXPECT_EQ(ColorToQColor(SystemColorFlag | 25), Black);  // no system colour 25
}

class QarvLabelStyle : public QarvLabelTest {};

TEST_F(QarvLabelStyle, BoldTagDrawsLikeABoldFont) {
  const QImage Tagged = Grab("<b>MMMM");
  EXPECT_EQ(Tagged, Grab("MMMM", TestFont(true)));
  EXPECT_NE(Tagged.size(), Grab("MMMM").size());
}

TEST_F(QarvLabelStyle, ItalicAndUnderlineTagsDrawLikeTheFontStyles) {
  EXPECT_EQ(Grab("<I><U>MMMM"), Grab("MMMM", TestFont(false, true, true)));
  EXPECT_EQ(Grab("</B>MMMM", TestFont(true)), Grab("MMMM"));
}

TEST_F(QarvLabelStyle, CyrillicSwitchDrawsTheFollowingBytesAsCodePage1251) {
  // The same characters drawn by Qt directly: A and Be in Cyrillic, then A grave.
  const QString Expected = QString::fromUtf8("\xD0\x90\xD0\x91\xC3\x80");
  QImage Direct(Advance(Expected), 60, QImage::Format_RGB32);
  Direct.fill(White);
  QPainter Canvas(&Direct);
  Canvas.setFont(TestFont());
  Canvas.setPen(Black);
  Canvas.drawText(0, QFontMetrics(TestFont()).ascent(), Expected);
  Canvas.end();
  EXPECT_EQ(Grab("<RU>\xC0\xC1<EU>\xC0"), Direct);
}

class QarvLabelShadow : public QarvLabelTest {
 protected:
  // Checks that the gray pixels are exactly the plain text moved by Offset,
  // where the text itself does not cover them.
  static void ExpectShadow(const std::string& Tag, int Offset) {
    const QImage Plain = Grab("HHHHHHHHH", TestFont(), 100);
    const QImage Shadowed = Grab(Tag + "HHHHHHHHH", TestFont(), 100);
    ASSERT_EQ(Plain.size(), Shadowed.size());
    const TPixels Text = PixelsOf(Plain, Black);
    const TPixels Gray = PixelsOf(Shadowed, QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(PixelsOf(Shadowed, Black), Text) << Tag;
    TPixels Expected;
    for (const auto& Pixel : Shifted(Text, Offset, Shadowed))
      if (!Text.count(Pixel)) Expected.insert(Pixel);
    EXPECT_FALSE(Gray.empty()) << Tag;
    EXPECT_EQ(Gray, Expected) << Tag;
  }
};

TEST_F(QarvLabelShadow, ShadowIsGrayTextMovedByTheOffset) {
  ExpectShadow("<S:3>", 3);
  ExpectShadow("<S:-3>", -3);
}

TEST_F(QarvLabelShadow, DefaultAndWrappedOffsets) {
  ExpectShadow("<S>", 2);
  ExpectShadow("<small>", 2);
  ExpectShadow("<S:300>", 44);
}

TEST_F(QarvLabelShadow, ClosingTagEndsIt) {
  EXPECT_TRUE(PixelsOf(Grab("<S:3></S>HHH"), QColor(0x80, 0x80, 0x80)).empty());
}

class QarvLabelWidth : public QarvLabelTest {};

TEST_F(QarvLabelWidth, WidthIsTheSumOfTheRunsInTheirFonts) {
  TQarvColorLabel Label;
  Label.setFont(TestFont());
  Grab(Label, "ab<B>cd</B><<>e");
  EXPECT_EQ(Label.width(),
            Advance("ab") + Advance("cd", TestFont(true)) + Advance("<") + Advance("e"));
}

TEST_F(QarvLabelWidth, LineBreakStartsTheNextLineAtTheLeftButWidthIgnoresIt) {
  TQarvColorLabel Label;
  Label.setFont(TestFont());
  const QImage Image = Grab(Label, "HHHH</>II", 3 * LineHeight());
  EXPECT_EQ(Label.width(), Advance("HHHH") + Advance("II"));
  const TPixels Dark = PixelsOf(Image, Black);
  const TPixels Second = Where(Dark, [&](int, int Y) { return Y >= LineHeight(); });
  ASSERT_FALSE(Second.empty());
  EXPECT_TRUE(Where(Second, [&](int X, int) { return X > Advance("II"); }).empty());
}

TEST_F(QarvLabelWidth, RightJustifiedLabelKeepsItsRightEdgeOnTheParentsEdge) {
  QWidget Parent;
  Parent.resize(300, 100);
  auto* Label = new TQarvColorLabel(&Parent);
  Label->setFont(TestFont());
  Label->SetRightJustify(true);
  Grab(*Label, "abc");
  EXPECT_EQ(Label->x() + Label->width(), 300);
  Grab(*Label, "<B>a much longer caption");
  EXPECT_EQ(Label->x() + Label->width(), 300);
}

TEST_F(QarvLabelWidth, FontChangeResizesToTheNewWidth) {
  TQarvColorLabel Label;
  Label.setFont(TestFont());
  Grab(Label, "MMMM");
  Label.setFont(TestFont(true));
  EXPECT_EQ(Label.width(), Advance("MMMM", TestFont(true)));
}

class QarvLabelWrap : public QarvLabelTest {
 protected:
  // Paints Text into a Width x Height rectangle at the top of a larger image.
  static std::pair<QImage, int> PaintInto(const std::string& Text, int Width, int Height) {
    QImage Image(200, 6 * LineHeight(), QImage::Format_RGB32);
    Image.fill(White);
    QPainter Canvas(&Image);
    const int Accumulated =
        PaintMarkupText(Canvas, QRect(0, 0, Width, Height), White, false, Text, TestFont(), Black);
    return {Image, Accumulated};
  }
};

TEST_F(QarvLabelWrap, RunTooWideIsBrokenByCharactersAndLinesBelowTheRectangleAreLeftOut) {
  const int H = LineHeight();
  const auto [Image, Width] = PaintInto("HHHHHHHH", 3 * Advance("H") + 1, H);
  EXPECT_EQ(Width, Advance("HHHHHHHH"));
  const TPixels Dark = PixelsOf(Image, Black);
  EXPECT_FALSE(Where(Dark, [&](int, int Y) { return Y < H; }).empty());
  EXPECT_FALSE(Where(Dark, [&](int, int Y) { return Y >= H && Y < 2 * H; }).empty());
  EXPECT_TRUE(Where(Dark, [&](int, int Y) { return Y >= 2 * H; }).empty());
  EXPECT_TRUE(Where(Dark, [&](int X, int) { return X > 3 * Advance("H"); }).empty());
}

TEST_F(QarvLabelWrap, NothingFitsSoNothingIsDrawnAndPaintingEnds) {
  const auto [Image, Width] = PaintInto("HHHH", 2, 3 * LineHeight());
  EXPECT_EQ(Width, Advance("HHHH"));
  EXPECT_TRUE(PixelsOf(Image, Black).empty());
}

TEST_F(QarvLabelWrap, TransparentPaintLeavesTheBackground) {
  QImage Image(100, 40, QImage::Format_RGB32);
  Image.fill(QColor(0, 0, 255));
  QPainter Canvas(&Image);
  PaintMarkupText(Canvas, QRect(0, 0, 100, 40), White, true, "<S>H", TestFont(), Black);
  Canvas.end();
  EXPECT_TRUE(PixelsOf(Image, White).empty());
  EXPECT_FALSE(PixelsOf(Image, QColor(0, 0, 255)).empty());
  EXPECT_FALSE(PixelsOf(Image, QColor(0x80, 0x80, 0x80)).empty());
}

}  // namespace
}  // namespace dravel
