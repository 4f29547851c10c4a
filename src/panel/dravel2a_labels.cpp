// The labels: one per line of the format text, refreshed every tick, stacked in a
// column or left where the user dragged them.
#include <QLabel>
#include <QResizeEvent>
#include <algorithm>
#include <mutex>

#include "formatter/TextLines.h"
#include "formatter/formatter.h"
#include "panel/FmtLabel.h"
#include "panel/dravel2a.h"
#include "platform/SettingsStore.h"
#include "sampling/RawData.h"

namespace dravel {

namespace {

constexpr const char* BlankCaption = "BLANK";

// The window width the labels need: a flowing label with 4 pixels to spare, a placed one
// up to its right edge, and 2 more.
int LabelsWidth(const std::vector<TFmtLabel*>& Labels) {
  int MaxWidth = 0;
  for (const TFmtLabel* Label : Labels)
    MaxWidth = std::max(MaxWidth, Label->Tag == 0 ? Label->width() + 4 : Label->x() + Label->width());
  return MaxWidth + 2;
}

}  // namespace

void TDravelDisplay::BuildLabels(const std::string& Text) {
  if (FExited) return;  // the record and the formatters are gone
  SetTimerEnabled(false);
  for (TFmtLabel* Label : FLabels) delete Label;
  FLabels.clear();

  const std::vector<std::string> Lines = SplitLines(Text);
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    auto* Label = new TFmtLabel(this);
    Label->SetFormatText(Lines[I]);
    Label->Tag = 0;
    Label->setObjectName(QStringLiteral("FormatLabel%1").arg(I));
    Label->SetCaption(BlankCaption);
    Label->SetTextAlignment(LabelAlign);
    Label->setCursor(Qt::PointingHandCursor);
    Label->SetLabelFont(FontDialog1.Font, FontDialog1.Color);
    Label->OnDragTo = [this, Label](const QPoint& ClientPos) { FormDragOver(*Label, ClientPos); };
    Label->PressMovesWindow = [this](const QPoint& ClientPos) { return PressMovesWindow(ClientPos); };
    if (SettingsRegistry) {
      const std::string Name = Label->objectName().toStdString();
      Guarded([&] {
        TRegistry& Registry = *SettingsRegistry;
        if (Registry.ValueExists("XVal_" + Name) && Registry.ValueExists("YVal_" + Name)) {
          const int Left = Registry.ReadInteger("XVal_" + Name);
          const int Top = Registry.ReadInteger("YVal_" + Name);
          Label->Place(QPoint(Left, Top));
        }
      });
    }
    FLabels.push_back(Label);
    Label->show();
  }

  Guarded([&] {
    const std::lock_guard Lock(FRawData->Guard);
    FFormatters->DecideIfActive(Text);
  });

  SetTimerEnabled(true);
  RefreshNow(true);
  if (FExited) return;  // the pass could not read the performance data and closed the panel
  for (TFmtLabel* Label : FLabels) AlignLabel(*Label);
  const std::lock_guard Lock(FRawData->Guard);
  FFormatters->SetAlignment(static_cast<TAlignment>(LabelAlign));
}

void TDravelDisplay::SetFormatString(const std::string& Text) {
  FFormatText = Text;
  Guarded([&] { SettingsRegistry->WriteString("FormatString", Text); });
}

void TDravelDisplay::RenderLabels() {
  if (FExited || !FFormatters) return;
  bool FirstFill = false;
  for (TFmtLabel* Label : FLabels) {
    const std::string Text = FFormatters->Evaluate(Label->FormatText());
    if (Label->Caption() == BlankCaption) FirstFill = true;
    Label->ShowEvaluated(Text);
  }
  if (FirstFill) {
    ArrangeLabels(false);
  } else {
    WidenToFit();
  }
  if (FTrayMode == 2) RenderTrayIcon();
  PinToDesktopStep();
  ScrollLockStep();
}

void TDravelDisplay::ArrangeLabels(bool KeepRightEdge) {
  const int Right = x() + width();
  int Y = 2;
  int Step = 0;
  int PlacedBottom = 0;
  for (TFmtLabel* Label : FLabels) {
    if (Label->Tag == 0) {
      Label->move(Label->x(), Y);
    } else {
      // The last placed label in list order counts, not the lowest one.
      PlacedBottom = Label->y() + Label->height() + 2;
    }
    if (Step == 0) Step = Label->height() + 2;
    Y += Step;
  }
  if (!AutoSizeForm) return;
  resize(LabelsWidth(FLabels), PlacedBottom > Y ? PlacedBottom : Y);
  if (KeepRightEdge) move(Right - width(), y());
}

void TDravelDisplay::WidenToFit() {
  // Only while the window follows its labels, and only wider: a line that shrinks again
  // leaves the width until the next build, so the panel does not twitch with its figures.
  if (!AutoSizeForm) return;
  const int Needed = LabelsWidth(FLabels);
  if (Needed <= width()) return;
  const int Right = x() + width();
  resize(Needed, height());
  if (LabelAlign == 1) move(Right - width(), y());
}

void TDravelDisplay::AlignLabel(TFmtLabel& Label) {
  Label.SetTextAlignment(LabelAlign);
  if (LabelAlign == 0) {
    if (Label.Tag == 0) Label.move(1, Label.y());
    Label.AnchorRight = false;
    DragImg->move(width() - DragImg->width(), DragImg->y());
  } else if (LabelAlign == 1) {
    if (Label.Tag == 0) Label.move(width() - Label.width() - 2, Label.y());
    Label.AnchorRight = true;
    DragImg->move(0, DragImg->y());
  }
}

void TDravelDisplay::Center1Click(int Tag) {
  LabelAlign = static_cast<std::uint8_t>(Tag);
  TickAlignItem();
  Guarded([this] { SettingsRegistry->WriteInteger("Align", LabelAlign); });
  for (TFmtLabel* Label : FLabels) AlignLabel(*Label);
  const std::lock_guard Lock(FRawData->Guard);
  FFormatters->SetAlignment(static_cast<TAlignment>(LabelAlign));
}

void TDravelDisplay::FormDragOver(TFmtLabel& Label, const QPoint& ClientPos) {
  Label.Place(ClientPos);
}

void TDravelDisplay::resizeEvent(QResizeEvent* Event) {
  const int Shift = Event->size().width() - Event->oldSize().width();
  if (Event->oldSize().isValid() && Shift != 0) {
    for (TFmtLabel* Label : FLabels) {
      if (Label->AnchorRight) Label->move(Label->x() + Shift, Label->y());
    }
  }
  QWidget::resizeEvent(Event);
}

}  // namespace dravel
