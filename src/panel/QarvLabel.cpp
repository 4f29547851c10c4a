#include "panel/QarvLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <array>

#include "panel/GaugePainter.h"

namespace dravel {
namespace {

struct TSystemColor {
  int Index;
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};

// The system colours of the markup's table, taken from the desktop palette.
constexpr std::array<TSystemColor, 27> SystemColors{{
    {0, QPalette::Active, QPalette::Button},            // scroll bar
    {1, QPalette::Active, QPalette::Dark},              // desktop background
    {2, QPalette::Active, QPalette::Highlight},         // active caption
    {3, QPalette::Inactive, QPalette::Mid},             // inactive caption
    {4, QPalette::Active, QPalette::Window},            // menu
    {5, QPalette::Active, QPalette::Base},              // window
    {6, QPalette::Active, QPalette::Shadow},            // window frame
    {7, QPalette::Active, QPalette::WindowText},        // menu text
    {8, QPalette::Active, QPalette::WindowText},        // window text
    {9, QPalette::Active, QPalette::HighlightedText},   // caption text
    {10, QPalette::Active, QPalette::Button},           // active border
    {11, QPalette::Inactive, QPalette::Button},         // inactive border
    {12, QPalette::Active, QPalette::Mid},              // application work space
    {13, QPalette::Active, QPalette::Highlight},        // highlight
    {14, QPalette::Active, QPalette::HighlightedText},  // highlight text
    {15, QPalette::Active, QPalette::Button},           // button face
    {16, QPalette::Active, QPalette::Dark},             // button shadow
    {17, QPalette::Disabled, QPalette::Text},           // gray text
    {18, QPalette::Active, QPalette::ButtonText},       // button text
    {19, QPalette::Inactive, QPalette::WindowText},     // inactive caption text
    {20, QPalette::Active, QPalette::Light},            // button highlight
    {21, QPalette::Active, QPalette::Shadow},           // 3D dark shadow
    {22, QPalette::Active, QPalette::Midlight},         // 3D light
    {23, QPalette::Active, QPalette::ToolTipText},      // info text
    {24, QPalette::Active, QPalette::ToolTipBase},      // info background
    {27, QPalette::Active, QPalette::Highlight},        // gradient active caption
    {28, QPalette::Inactive, QPalette::Mid},            // gradient inactive caption
}};

const QColor ShadowColour(0x80, 0x80, 0x80);

QFont RunFont(const QFont& Base, const TMarkupStyle& Style) {
  QFont Font = Base;
  Font.setBold(Style.Bold);
  Font.setItalic(Style.Italic);
  Font.setUnderline(Style.Underline);
  return Font;
}

QString RunText(const TMarkupRun& Run) {
  QString Text;
  Text.reserve(static_cast<qsizetype>(Run.Text.size()));
  for (const char Byte : Run.Text)
    Text += QChar(CodePageToUnicode(static_cast<unsigned char>(Byte), Run.CodePage));
  return Text;
}

// The height of "Wg": one line of text in the font.
int LineHeight(const QFont& Font) { return std::max(1, QFontMetrics(Font).height()); }

// Where the next piece goes; the rectangle's edges bound it.
struct TLineBox {
  int Left;
  int Top;
  int Right;
  int Bottom;
};

class TMarkupPainter {
 public:
  TMarkupPainter(QPainter& Canvas, const QRect& Rect, const QFont& Font, const QColor& FontColour)
      : FCanvas(Canvas),
        FRect(Rect),
        FFontColour(FontColour),
        FLine{Rect.left(), Rect.top(), Rect.left() + Rect.width(), Rect.top() + LineHeight(Font)} {}

  void BreakLine(const QFont& Font) {
    FLine.Left = FRect.left();
    FLine.Right = FRect.left() + FRect.width();
    FLine.Top = FLine.Bottom;
    FLine.Bottom = FLine.Top + LineHeight(Font);
  }

  // Places the run from the line's left on, breaking it by characters where
  // it does not fit; what falls below the rectangle is not drawn.
  void PlaceRun(QString Text, const QFont& Font, const TMarkupRun& Run) {
    const QFontMetrics Metrics(Font);
    const int RectBottom = FRect.top() + FRect.height();
    while (!Text.isEmpty()) {
      if (FLine.Top > RectBottom) return;
      const int Room = FLine.Right - FLine.Left;
      const int Width = Metrics.horizontalAdvance(Text);
      if (Width <= Room) {
        DrawPiece(Text, Font, Metrics, Run);
        FLine.Left += Width;
        return;
      }
      const qsizetype Fits = FittingLength(Text, Metrics, Room);
      DrawPiece(Text.left(Fits), Font, Metrics, Run);
      Text.remove(0, Fits);
      BreakLine(Font);
    }
  }

  // A bar or graph goes whole onto the line, or onto the next one when it does not fit
  // and the line holds something already; it is drawn as text would be, shadow and all.
  void PlaceGauge(const TMarkupRun& Run, const QFont& Font) {
    const int Width = GaugeWidth(Run.Gauge, Font);
    if (Width > FLine.Right - FLine.Left && FLine.Left > FRect.left()) BreakLine(Font);
    if (FLine.Top > FRect.top() + FRect.height()) return;
    const int Baseline = FLine.Top + QFontMetrics(Font).ascent();
    if (Run.Shadow) {
      PaintGauge(FCanvas, Run.Gauge, Font, FLine.Left + *Run.Shadow, Baseline + *Run.Shadow,
                 ShadowColour);
    }
    PaintGauge(FCanvas, Run.Gauge, Font, FLine.Left, Baseline, ColourOf(Run));
    FLine.Left += Width;
  }

 private:
  // The longest front part of Text no wider than Room.
  static qsizetype FittingLength(const QString& Text, const QFontMetrics& Metrics, int Room) {
    qsizetype Low = 0;
    qsizetype High = Text.size();
    while (Low < High) {
      const qsizetype Middle = (Low + High + 1) / 2;
      if (Metrics.horizontalAdvance(Text.left(Middle)) <= Room)
        Low = Middle;
      else
        High = Middle - 1;
    }
    return Low;
  }

  QColor ColourOf(const TMarkupRun& Run) const {
    return Run.Colour ? ColorToQColor(*Run.Colour) : FFontColour;
  }

  void DrawPiece(const QString& Piece, const QFont& Font, const QFontMetrics& Metrics,
                 const TMarkupRun& Run) {
    if (Piece.isEmpty()) return;
    const QColor Colour = ColourOf(Run);
    const int X = FLine.Left;
    const int Baseline = FLine.Top + Metrics.ascent();
    FCanvas.setFont(Font);
    if (!Run.Shadow) {
      FCanvas.setPen(Colour);
      FCanvas.drawText(X, Baseline, Piece);
      return;
    }
    const int Offset = *Run.Shadow;
    FCanvas.setPen(ShadowColour);
    FCanvas.drawText(X + Offset, Baseline + Offset, Piece);
    const Qt::BGMode Mode = FCanvas.backgroundMode();
    FCanvas.setBackgroundMode(Qt::TransparentMode);
    FCanvas.setPen(Colour);
    FCanvas.drawText(X, Baseline, Piece);
    FCanvas.setBackgroundMode(Mode);
  }

  QPainter& FCanvas;
  const QRect FRect;
  const QColor FFontColour;
  TLineBox FLine;
};

TMarkupStyle StyleOf(const QFont& Font) { return {Font.bold(), Font.italic(), Font.underline()}; }

}  // namespace

QColor ColorToQColor(TColor Value) {
  if ((Value & SystemColorFlag) == 0)
    return QColor(Value & 0xFF, (Value >> 8) & 0xFF, (Value >> 16) & 0xFF);
  const int Index = static_cast<int>(Value & 0xFF);
  for (const TSystemColor& Entry : SystemColors)
    if (Entry.Index == Index) return QGuiApplication::palette().color(Entry.Group, Entry.Role);
  return Qt::black;
}

int PaintMarkupText(QPainter& Canvas, const QRect& Rect, const QColor& Background, bool Transparent,
                    std::string_view Text, const QFont& Font, const QColor& FontColour) {
  Canvas.save();
  Canvas.setFont(Font);
  Canvas.setBackground(Background);
  Canvas.setBackgroundMode(Transparent ? Qt::TransparentMode : Qt::OpaqueMode);
  if (!Transparent) Canvas.fillRect(Rect, Background);

  TMarkupPainter Painter(Canvas, Rect, Font, FontColour);
  int Width = 0;
  for (const TMarkupRun& Run : ParseMarkup(Text, StyleOf(Font))) {
    const QFont RunStyleFont = RunFont(Font, Run.Style);
    switch (Run.Kind) {
      case TMarkupRun::TKind::LineBreak:
        Painter.BreakLine(RunStyleFont);
        break;
      case TMarkupRun::TKind::Gauge:
        Width += GaugeWidth(Run.Gauge, RunStyleFont);
        Painter.PlaceGauge(Run, RunStyleFont);
        break;
      case TMarkupRun::TKind::Text: {
        QString Piece = RunText(Run);
        Width += QFontMetrics(RunStyleFont).horizontalAdvance(Piece);
        Painter.PlaceRun(std::move(Piece), RunStyleFont, Run);
        break;
      }
    }
  }
  Canvas.restore();
  return Width;
}

int MeasureMarkupText(std::string_view Text, const QFont& Font) {
  int Width = 0;
  for (const TMarkupRun& Run : ParseMarkup(Text, StyleOf(Font))) {
    if (Run.Kind == TMarkupRun::TKind::Text)
      Width += QFontMetrics(RunFont(Font, Run.Style)).horizontalAdvance(RunText(Run));
    else if (Run.Kind == TMarkupRun::TKind::Gauge)
      Width += GaugeWidth(Run.Gauge, RunFont(Font, Run.Style));
  }
  return Width;
}

TQarvColorLabel::TQarvColorLabel(QWidget* Parent) : QWidget(Parent) {}

void TQarvColorLabel::SetCaption(std::string Text) {
  FCaption = std::move(Text);
  ApplyWidth(MarkupWidth());
  update();
}

QColor TQarvColorLabel::Color() const { return palette().color(QPalette::Window); }

void TQarvColorLabel::SetColor(const QColor& Colour) {
  QPalette Colours = palette();
  Colours.setColor(QPalette::Window, Colour);
  setPalette(Colours);
}

QColor TQarvColorLabel::FontColor() const { return palette().color(QPalette::WindowText); }

void TQarvColorLabel::SetTransparent(bool Value) {
  FTransparent = Value;
  update();
}

void TQarvColorLabel::SetRightJustify(bool Value) {
  FRightJustify = Value;
  ApplyWidth(width());
}

int TQarvColorLabel::MarkupWidth() const { return MeasureMarkupText(FCaption, font()); }

void TQarvColorLabel::paintEvent(QPaintEvent*) {
  QPainter Canvas(this);
  const int Width =
      PaintMarkupText(Canvas, rect(), Color(), FTransparent, FCaption, font(), FontColor());
  Canvas.end();
  ApplyWidth(Width);
}

void TQarvColorLabel::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::FontChange) ApplyWidth(MarkupWidth());
  QWidget::changeEvent(Event);
}

void TQarvColorLabel::ApplyWidth(int Width) {
  if (Width != width()) resize(Width, height());
  if (FRightJustify && parentWidget() && x() != parentWidget()->width() - width())
    move(parentWidget()->width() - width(), y());
}

}  // namespace dravel
