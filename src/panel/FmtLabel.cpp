#include "panel/FmtLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>

#include "panel/GaugePainter.h"
#include "platform/CodePage.h"

namespace dravel {

TFmtLabel::TFmtLabel(QWidget* Parent) : TQarvColorLabel(Parent) {}

void TFmtLabel::SetCaption(std::string Text) {
  TQarvColorLabel::SetCaption(std::move(Text));
  FitToCaption();
}

void TFmtLabel::ShowEvaluated(std::string_view Text) {
  std::string Shown = FGauges.Advance(Text);
  if (Shown != Caption()) SetCaption(std::move(Shown));
}

void TFmtLabel::SetTextAlignment(std::uint8_t Align) {
  FAlign = Align;
  SetRightJustify(Align == 1 && Tag == 0);
}

void TFmtLabel::Place(const QPoint& TopLeft) {
  Tag = 1;
  SetRightJustify(false);
  move(TopLeft);
}

void TFmtLabel::SetLabelFont(const QFont& Font, const QColor& Color) {
  setFont(Font);
  QPalette Colours = palette();
  Colours.setColor(QPalette::WindowText, Color);
  setPalette(Colours);
  FitToCaption();
}

void TFmtLabel::FitToCaption() {
  // A graph's caption changes every render while the text it is measured as stays the same.
  std::string Measured = GaugesAsDigits(Caption());
  if (Measured != FMeasured || font() != FMeasuredFont) {
    FExtent = QFontMetrics(font()).size(Qt::TextSingleLine | Qt::TextExpandTabs,
                                        QString::fromStdString(Cp1252ToUtf8(Measured)));
    FMeasured = std::move(Measured);
    FMeasuredFont = font();
  }
  const int Right = x() + width();
  resize(FExtent);
  if (FAlign == 1) move(Right - width(), y());
}

void TFmtLabel::mousePressEvent(QMouseEvent* Event) {
  const QPoint InWindow = mapToParent(Event->position().toPoint());
  if (Event->button() == Qt::LeftButton && PressMovesWindow && PressMovesWindow(InWindow)) {
    Event->ignore();  // the window beneath starts its own move
    return;
  }
  FPressed = Event->button() == Qt::LeftButton;
  FDragging = false;
  FPressPos = Event->position().toPoint();
}

void TFmtLabel::mouseMoveEvent(QMouseEvent* Event) {
  if (!FPressed) return;
  const QPoint Here = Event->position().toPoint();
  if (!FDragging && (Here - FPressPos).manhattanLength() < QApplication::startDragDistance()) {
    return;
  }
  FDragging = true;
  if (OnDragTo) OnDragTo(mapToParent(Here));
}

void TFmtLabel::mouseReleaseEvent(QMouseEvent*) {
  FPressed = false;
  FDragging = false;
}

}  // namespace dravel
