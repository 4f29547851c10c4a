#pragma once
// TQarvColorLabel: a label whose caption carries inline markup (see
// QarvMarkup.h), drawn afresh from the label's own font on every paint.
// The caption is CP1252 bytes; it becomes Unicode only to be drawn.

#include <QColor>
#include <QWidget>
#include <string>
#include <string_view>

#include "formatter/QarvMarkup.h"

class QPainter;

namespace dravel {

class TQarvColorLabel : public QWidget {
  Q_OBJECT

 public:
  explicit TQarvColorLabel(QWidget* Parent = nullptr);

  const std::string& Caption() const { return FCaption; }
  // Sets the caption, sizes the label to its markup width and repaints.
  void SetCaption(std::string Text);

  // Background colour: the palette's Window colour, inherited from the
  // parent unless set. The font colour is the palette's WindowText colour.
  QColor Color() const;
  void SetColor(const QColor& Colour);
  QColor FontColor() const;

  // A transparent label leaves its background unpainted.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

  // A right-justified label keeps its right edge on its parent's right edge.
  bool RightJustify() const { return FRightJustify; }
  void SetRightJustify(bool Value);

  // The width a paint gives the label: the widths of all text runs of the
  // caption side by side, line breaks ignored.
  int MarkupWidth() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void ApplyWidth(int Width);

  std::string FCaption;
  bool FTransparent = false;
  bool FRightJustify = false;
};

// A colour value of the settings or the markup as the desktop draws it:
// 0x00BBGGRR, or a system colour taken from the desktop palette (an index the
// table lacks is black).
QColor ColorToQColor(TColor Value);

// Draws Text with its markup into Rect, starting from Font and FontColour,
// wrapping runs at the rectangle's right edge and leaving out lines below
// it; returns the accumulated width of the runs.
int PaintMarkupText(QPainter& Canvas, const QRect& Rect, const QColor& Background, bool Transparent,
                    std::string_view Text, const QFont& Font, const QColor& FontColour);

// The width PaintMarkupText returns, without painting.
int MeasureMarkupText(std::string_view Text, const QFont& Font);

}  // namespace dravel
