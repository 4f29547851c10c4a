// Labels: one per line, stacked in a column or placed, sizing the window.
#include "PanelTestSupport.h"
#include "panel/FmtLabel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

#include "formatter/QarvMarkup.h"

namespace dravel {
namespace {

using testing::PanelTest;

class Labels : public PanelTest {
 protected:
  std::unique_ptr<TDravelDisplay> StartWith(const std::string& Text) {
    auto Seed = Store();
    Seed->WriteInteger("Version", 87);
    Seed->WriteString("FormatString", Text);
    Seed.reset();
    return Start();
  }
  static int Pitch(const TDravelDisplay& Panel) { return Panel.Labels()[0]->height() + 2; }
};

TEST_F(Labels, ThreeLinesStackTwoPixelsDownAtTheFirstLabelsPitch) {
  auto Panel = StartWith("one\r\ntwo\r\nthree\r\n");
  const auto& List = Panel->Labels();
  ASSERT_EQ(List.size(), 3u);
  const int P = Pitch(*Panel);
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(List[I]->objectName(), QStringLiteral("FormatLabel%1").arg(I));
    EXPECT_EQ(List[I]->y(), 2 + I * P);
    EXPECT_EQ(List[I]->x(), 1);
    EXPECT_EQ(List[I]->Tag, 0);
  }
  EXPECT_EQ(List[1]->Caption(), "two");
  EXPECT_EQ(Panel->height(), 2 + 3 * P);
  const int Widest = std::max({List[0]->width(), List[1]->width(), List[2]->width()});
  EXPECT_EQ(Panel->width(), Widest + 4 + 2);
  // The dragging handle sits in the top-right corner of left-aligned labels.
  EXPECT_EQ(Panel->DragImg->x(), Panel->width() - Panel->DragImg->width());
}

TEST_F(Labels, AnEmptyLineKeepsItsSlot) {
  auto Panel = StartWith("one\r\n\r\nthree");
  const auto& List = Panel->Labels();
  ASSERT_EQ(List.size(), 3u);
  EXPECT_EQ(List[1]->Caption(), "");
  EXPECT_EQ(List[2]->y(), 2 + 2 * Pitch(*Panel));
}

TEST_F(Labels, AnEmptyTextGivesATwoByTwoWindow) {
  auto Panel = StartWith("");
  EXPECT_TRUE(Panel->Labels().empty());
  EXPECT_EQ(Panel->size(), QSize(2, 2));
}

TEST_F(Labels, AStoredPositionPlacesTheLabelAndWidensTheWindow) {
  {
    auto Seed = Store();
    Seed->WriteInteger("XVal_FormatLabel1", 300);
    Seed->WriteInteger("YVal_FormatLabel1", 5);
    Seed->WriteInteger("XVal_FormatLabel0", 7);  // without its Y it is not used
  }
  auto Panel = StartWith("one\r\ntwo\r\nthree");
  const auto& List = Panel->Labels();
  EXPECT_EQ(List[0]->Tag, 0);
  EXPECT_EQ(List[1]->Tag, 1);
  EXPECT_EQ(List[1]->pos(), QPoint(300, 5));
  EXPECT_EQ(List[2]->y(), 2 + 2 * Pitch(*Panel));  // the placed label keeps its slot
  EXPECT_EQ(Panel->width(), 300 + List[1]->width() + 2);
  EXPECT_EQ(Panel->height(), 2 + 3 * Pitch(*Panel));
}

TEST_F(Labels, OnlyTheLastPlacedLabelInListOrderSetsTheHeight) {
  {
    auto Seed = Store();
    Seed->WriteInteger("XVal_FormatLabel0", 3);
    Seed->WriteInteger("YVal_FormatLabel0", 400);
    Seed->WriteInteger("XVal_FormatLabel1", 3);
    Seed->WriteInteger("YVal_FormatLabel1", 100);
  }
  auto Panel = StartWith("one\r\ntwo");
  EXPECT_EQ(Panel->height(), 100 + Panel->Labels()[1]->height() + 2);
}

TEST_F(Labels, AStoredSizeIsKeptWhileTheLabelsStack) {
  {
    auto Seed = Store();
    Seed->WriteInteger("W", 500);
    Seed->WriteInteger("H", 400);
  }
  auto Panel = StartWith("one\r\ntwo");
  EXPECT_FALSE(Panel->AutoSizeForm);
  EXPECT_EQ(Panel->size(), QSize(500, 400));
  EXPECT_EQ(Panel->Labels()[1]->y(), 2 + Pitch(*Panel));
  Panel->ArrangeLabels(false);
  EXPECT_EQ(Panel->size(), QSize(500, 400));
}

TEST_F(Labels, DraggingALabelWithTheMousePlacesItsCornerUnderThePointer) {
  auto Panel = StartWith("one\r\ntwo");
  TFmtLabel& Label = *Panel->Labels()[1];
  const auto Send = [&Label](QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons) {
    QMouseEvent Event(Type, QPointF(At), Label.mapToGlobal(QPointF(At)),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&Label, &Event);
  };
  Send(QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
  Send(QEvent::MouseMove, QPoint(3, 2), Qt::LeftButton);  // below the drag distance
  EXPECT_EQ(Label.Tag, 0);
  const QPoint Target = Label.mapToParent(QPoint(40, 30));
  Send(QEvent::MouseMove, QPoint(40, 30), Qt::LeftButton);
  Send(QEvent::MouseButtonRelease, QPoint(40, 30), Qt::NoButton);
  EXPECT_EQ(Label.Tag, 1);
  EXPECT_EQ(Label.pos(), Target);
  Panel->Exit1Click();
  EXPECT_EQ(Store()->ReadInteger("XVal_FormatLabel1"), Target.x());
  EXPECT_EQ(Store()->ReadInteger("YVal_FormatLabel1"), Target.y());
}

TEST_F(Labels, AligningRightMovesFlowingLabelsAndTheHandleButNotPlacedOnes) {
  auto Panel = StartWith("one\r\nlonger two\r\nthree");
  Panel->FormDragOver(*Panel->Labels()[2], QPoint(4, 60));
  Panel->Center1Click(1);
  EXPECT_EQ(Panel->LabelAlign, 1);
  EXPECT_EQ(Store()->ReadInteger("Align"), 1);
  for (int I = 0; I < 2; ++I) {
    const TFmtLabel& Label = *Panel->Labels()[I];
    EXPECT_EQ(Label.x(), Panel->width() - Label.width() - 2);
  }
  EXPECT_EQ(Panel->Labels()[2]->pos(), QPoint(4, 60));
  EXPECT_EQ(Panel->DragImg->x(), 0);
  // Right-aligned labels follow the right edge when the window widens.
  const int Before = Panel->Labels()[0]->x();
  Panel->resize(Panel->width() + 30, Panel->height());
  EXPECT_EQ(Panel->Labels()[0]->x(), Before + 30);
}

TEST_F(Labels, AnAlignmentOtherThanLeftOrRightMovesNothing) {
  Store()->WriteInteger("Align", 7);
  auto Panel = StartWith("one");
  EXPECT_EQ(Panel->LabelAlign, 7);
  // Labels stay where they were created, the handle where it was designed.
  EXPECT_EQ(Panel->Labels()[0]->x(), 0);
  EXPECT_EQ(Panel->DragImg->x(), 0);
}

TEST_F(Labels, KeepingTheRightEdgeMovesTheWindowLeftAsItWidens) {
  auto Panel = StartWith("one");
  Panel->move(600, 10);
  const int Right = Panel->x() + Panel->width();
  Panel->Labels()[0]->SetCaption("a much longer caption than before");
  Panel->ArrangeLabels(true);
  EXPECT_EQ(Panel->x() + Panel->width(), Right);
}

TEST_F(Labels, ABlankEvaluationReArrangesOnEveryRender) {
  auto Panel = StartWith("BLANK");
  Panel->resize(300, 300);
  Panel->RenderLabels();
  EXPECT_NE(Panel->size(), QSize(300, 300));
  Panel->resize(300, 300);
  Panel->RenderLabels();
  EXPECT_NE(Panel->size(), QSize(300, 300));
}

TEST_F(Labels, ALineThatGrowsWidensTheWindowAndNothingShrinksItBeforeTheNextBuild) {
  auto Panel = StartWith("one\r\ntwo");
  const QRect Before = Panel->geometry();
  TFmtLabel& First = *Panel->Labels()[0];
  First.SetFormatText("a far longer line of text");
  Panel->RenderLabels();
  EXPECT_EQ(First.Caption(), "a far longer line of text");
  EXPECT_EQ(Panel->width(), First.width() + 4 + 2);
  EXPECT_EQ(Panel->height(), Before.height());
  EXPECT_EQ(Panel->x(), Before.x());  // left-aligned: it grows to the right
  EXPECT_LE(First.geometry().right(), Panel->width() - 1);
  // Shorter again: the width stays until the labels are built anew.
  const int Grown = Panel->width();
  First.SetFormatText("x");
  Panel->RenderLabels();
  EXPECT_EQ(Panel->width(), Grown);
  Panel->BuildLabels("one\r\ntwo");
  EXPECT_EQ(Panel->size(), Before.size());
}

TEST_F(Labels, ARightAlignedLineThatGrowsKeepsTheRightEdgeAndStaysWhole) {
  {
    auto Seed = Store();
    Seed->WriteInteger("Align", 1);
  }
  auto Panel = StartWith("PageUsed: 999\r\nRAM");
  const int Right = Panel->x() + Panel->width();
  TFmtLabel& First = *Panel->Labels()[0];
  First.SetFormatText("PageUsed: 1000000");
  Panel->RenderLabels();
  EXPECT_EQ(Panel->x() + Panel->width(), Right);
  EXPECT_GE(First.x(), 0) << "the line is cut at the left edge";
  EXPECT_LE(First.x() + First.width(), Panel->width());
  // The other line still sits on the right edge.
  const TFmtLabel& Second = *Panel->Labels()[1];
  EXPECT_GE(Second.x() + Second.width(), Panel->width() - 2);
}

TEST_F(Labels, AFixedSizeStillClipsAGrowingLine) {
  {
    auto Seed = Store();
    Seed->WriteInteger("W", 60);
    Seed->WriteInteger("H", 40);
  }
  auto Panel = StartWith("one");
  Panel->Labels()[0]->SetFormatText("a far longer line of text than sixty pixels");
  Panel->RenderLabels();
  EXPECT_EQ(Panel->size(), QSize(60, 40));
}

TEST_F(Labels, RebuildingReplacesTheLabels) {
  auto Panel = StartWith("one\r\ntwo");
  Panel->BuildLabels("x");
  ASSERT_EQ(Panel->Labels().size(), 1u);
  EXPECT_EQ(Panel->Labels()[0]->Caption(), "x");
  EXPECT_EQ(Panel->findChildren<TFmtLabel*>().size(), 1);
  EXPECT_TRUE(Panel->TimerEnabled());
}

// The samples a label's graph holds now.
std::vector<double> GraphSamples(const TFmtLabel& Label) {
  std::vector<double> Samples;
  SplitAtGauges(Label.Caption(), [](std::string_view) {},
                [&](const TGaugeToken& Token) { Samples = Token.Values; });
  return Samples;
}

TEST_F(Labels, AGraphKeepsItsLastSamplesAndABuildStartsItAfresh) {
  const std::string Text = "T <NAME=Threads GRAPH=3>";
  auto Panel = StartWith(Text);
  for (const std::int16_t Threads : {10, 20, 30, 40}) {
    Panel->FRawData->Data.Threads = Threads;
    Panel->RenderLabels();
  }
  EXPECT_EQ(Panel->Labels()[0]->Caption(), "T <~G:20,30,40:40:3>");
  // An unchanged figure is one more sample all the same.
  Panel->RenderLabels();
  EXPECT_EQ(GraphSamples(*Panel->Labels()[0]), (std::vector<double>{30, 40, 40}));
  Panel->BuildLabels(Text);  // its first render samples this machine once
  EXPECT_EQ(GraphSamples(*Panel->Labels()[0]).size(), 1u);
  Panel->FRawData->Data.Threads = 5;
  Panel->RenderLabels();
  const std::vector<double> Samples = GraphSamples(*Panel->Labels()[0]);
  ASSERT_EQ(Samples.size(), 2u);
  EXPECT_EQ(Samples[1], 5);
}

TEST_F(Labels, EachLabelKeepsTheHistoryOfItsOwnLine) {
  auto Panel = StartWith("<NAME=Threads GRAPH=4>\r\n<NAME=Processes GRAPH=4>");
  Panel->FRawData->Data.Threads = 7;
  Panel->FRawData->Data.Processes = 9;
  Panel->RenderLabels();
  EXPECT_EQ(GraphSamples(*Panel->Labels()[0]).back(), 7);
  EXPECT_EQ(GraphSamples(*Panel->Labels()[1]).back(), 9);
  EXPECT_EQ(GraphSamples(*Panel->Labels()[0]).size(), 2u);
}

TEST_F(Labels, TheWindowFitsALineHoldingABar) {
  auto Panel = StartWith("short\r\nCPU <NAME=ProcUsage BAR=40>");
  const TFmtLabel& Label = *Panel->Labels()[1];
  const QFontMetrics Metrics(Label.font());
  // The token is far shorter in characters than the forty cells it draws.
  const int Drawn = Metrics.horizontalAdvance(QStringLiteral("CPU ")) +
                    40 * Metrics.horizontalAdvance(QLatin1Char('0'));
  EXPECT_GE(Label.width(), Drawn);
  EXPECT_LE(Label.width(), Drawn + 1);
  EXPECT_EQ(Panel->width(), Label.width() + 4 + 2);
}

}  // namespace
}  // namespace dravel
