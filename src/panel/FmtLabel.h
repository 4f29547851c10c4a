#pragma once
// A display label of the panel: a markup label bound to one line of the format text.
// Its caption is the evaluated line; it sizes itself to the caption and can be dragged.

#include <QFont>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <functional>
#include <string>

#include "formatter/GaugeHistory.h"
#include "panel/QarvLabel.h"

namespace dravel {

class TFmtLabel : public TQarvColorLabel {
  Q_OBJECT

 public:
  explicit TFmtLabel(QWidget* Parent);

  const std::string& FormatText() const { return FFormatText; }
  void SetFormatText(std::string Text) { FFormatText = std::move(Text); }

  // Sets the caption and resizes to it: the plain single-line extent of the text in the
  // label's font (markup counted as text, bars and graphs as the width they draw). A
  // right-aligned label keeps its right edge.
  void SetCaption(std::string Text);
  // One render's evaluated line: its bars and graphs resolved against the label's history
  // (which a new label starts afresh), then shown. An unchanged caption is neither
  // re-measured nor repainted.
  void ShowEvaluated(std::string_view Text);
  // 0 left, 1 right; other values leave the text left-aligned. A right-aligned label
  // that flows in the column sits on the window's right edge; one the user placed
  // keeps its place (the markup label would otherwise snap it to the edge).
  void SetTextAlignment(std::uint8_t Align);
  // The user put the label somewhere of their own: Tag 1.
  void Place(const QPoint& TopLeft);
  void SetLabelFont(const QFont& Font, const QColor& Color);

  int Tag = 0;               // 1 once the user placed the label
  bool AnchorRight = false;  // follows the window's right edge when it resizes

  // Set by the window: a drag moved the label's top-left corner to ClientPos (window
  // client coordinates); and whether a press at ClientPos moves the window instead.
  std::function<void(const QPoint& ClientPos)> OnDragTo;
  std::function<bool(const QPoint& ClientPos)> PressMovesWindow;

 protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  void FitToCaption();

  std::string FFormatText;
  TGaugeHistory FGauges;
  // The last plain text the caption was measured as, in which font, and its extent.
  std::string FMeasured;
  QFont FMeasuredFont;
  QSize FExtent;
  std::uint8_t FAlign = 0;
  bool FPressed = false;
  bool FDragging = false;
  QPoint FPressPos;
};

}  // namespace dravel
