#include "panel/dravel_options.h"

#include <gtest/gtest.h>

#include "PanelTestSupport.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "formatter/FormatterRegistry.h"

namespace dravel {
namespace {

// Records what the dialog asks of the main window, and keeps the applied text.
class TFakeHost final : public IOptionHost {
 public:
  TFakeHost() : FRegistry(FShell, TFormatSettings{}) {}
  const TFormatterRegistry& Formatters() const override { return FRegistry; }
  const std::string& FormatText() const override { return Applied; }
  void BuildLabels(const std::string& Text) override {
    Shown = Text;
    Calls.push_back("BuildLabels");
  }
  void SetFormatString(const std::string& Text) override {
    Applied = Text;
    Stored = Text;
    Calls.push_back("SetFormatString");
  }
  void ArrangeLabels(bool KeepRightEdge) override {
    Calls.push_back(KeepRightEdge ? "Arrange(keep)" : "Arrange");
  }

  std::string Applied = "first\r\nsecond";
  std::string Shown = Applied;
  std::optional<std::string> Stored;
  std::vector<std::string> Calls;

 private:
  TRawDataShell FShell;
  TFormatterRegistry FRegistry;
};

class OptionFormTest : public testing::PanelTest {
 protected:
  QListWidgetItem* Item(TOptionForm& Form, const QString& Name) {
    const auto found = Form.lbFmt->findItems(Name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
  }

  TFakeHost Host;
};

TEST_F(OptionFormTest, ControlsAreLaidOutInTheDesignsPlaces) {
  TOptionForm form(nullptr, Host);
  form.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(form.windowTitle(), "Options");
  // The design size to start with, unless the text needs more.
  EXPECT_EQ(form.size(), QSize(584, 335).expandedTo(form.minimumSizeHint()));
  EXPECT_EQ(form.Label1->text(), "Double-click item to add its default");
  // The item list and its help on the left, under the label; the text on the right with
  // the four buttons under it in order; the markup help across the bottom.
  EXPECT_LT(form.Label1->geometry().bottom(), form.lbFmt->y());
  EXPECT_LT(form.lbFmt->geometry().bottom(), form.meDesc->y());
  EXPECT_LT(form.lbFmt->geometry().right(), form.Memo1->x());
  EXPECT_LT(form.Memo1->geometry().bottom(), form.btnPreview->y());
  EXPECT_LT(form.btnPreview->x(), form.btnApply->x());
  EXPECT_LT(form.btnApply->x(), form.btnCancel->x());
  EXPECT_LT(form.btnCancel->x(), form.btnOK->x());
  EXPECT_LT(form.meDesc->geometry().bottom(), form.Memo2->y());
  EXPECT_GT(form.Memo2->width(), form.width() * 9 / 10);
  EXPECT_GT(form.Memo1->width(), form.lbFmt->width());
  EXPECT_EQ(form.btnPreview->text(), "&Preview");
  EXPECT_EQ(form.btnApply->text(), "&Apply");
  EXPECT_EQ(form.btnCancel->text(), "&Cancel");
  EXPECT_EQ(form.btnOK->text(), "&OK");
  EXPECT_TRUE(form.btnOK->isDefault());
  EXPECT_TRUE(form.meDesc->isReadOnly());
  EXPECT_TRUE(form.Memo2->isReadOnly());
  EXPECT_FALSE(form.Memo1->isReadOnly());
  EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(form.Memo2->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(form.btnCancel->statusTip(), "Cancel any un-applied changes");
  EXPECT_EQ(form.lbFmt->statusTip(), "Available options");
  EXPECT_EQ(form.Memo1->statusTip(), "Your text settings");
}

// Every label and button at least as large as its text, and the markup help showing all
// of its lines, at the design font and at much larger ones.
TEST_F(OptionFormTest, NothingIsClippedAtAnyFontSize) {
  for (const int points : {8, 14, 24}) {
    TOptionForm form(nullptr, Host);
    QFont font = form.font();
    font.setPointSize(points);
    form.setFont(font);
    form.show();
    QCoreApplication::processEvents();
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.Label1, form.btnPreview, form.btnApply, form.btnCancel, form.btnOK}) {
      EXPECT_GE(control->width(), control->minimumSizeHint().width()) << points;
      EXPECT_GE(control->height(), control->minimumSizeHint().height()) << points;
      EXPECT_TRUE(form.rect().contains(control->geometry())) << points;
    }
    EXPECT_TRUE(form.rect().contains(form.Memo2->geometry())) << points;
    EXPECT_EQ(form.Memo2->verticalScrollBar()->maximum(), 0)
        << points << " pt: the markup help does not show all of its lines";
    EXPECT_GE(form.lbFmt->width(), form.Label1->sizeHint().width()) << points;
    form.hide();
  }
}

TEST_F(OptionFormTest, TabOrderRunsFromTheButtonsToTheHelp) {
  TOptionForm form(nullptr, Host);
  const std::vector<QWidget*> expected{form.btnPreview, form.btnApply, form.btnCancel, form.btnOK,
                                       form.Memo1,      form.lbFmt,    form.meDesc,    form.Memo2};
  // The chain also holds labels and the memos' inner parts: keep the eight controls.
  std::vector<QWidget*> order;
  QWidget* w = form.btnPreview;
  do {
    if (std::find(expected.begin(), expected.end(), w) != expected.end()) order.push_back(w);
    w = w->nextInFocusChain();
  } while (w != form.btnPreview && order.size() < expected.size());
  EXPECT_EQ(order, expected);
}

TEST_F(OptionFormTest, MarkupHelpHasItsFourLinesThenBarsAndGraphs) {
  TOptionForm form(nullptr, Host);
  const QStringList lines = form.Memo2->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0],
            "Use <B> around text to make it bold. Close with </B>. Same for <I> and <U> to do "
            "italics and underline. ");
  EXPECT_EQ(lines[1],
            "<C:color> means that the next text will be in color specified, such as <C:Red>. "
            "You can also use hex, as in <C:$8080FF>");
  EXPECT_EQ(lines[2],
            "Finally <S> begins a default shadow which can be ended by </S>. Use S:# to set the "
            "offset of the shadow from the text, ");
  EXPECT_EQ(lines[3], "with negative numbers indicating an offset in the opposite direction.");
  EXPECT_EQ(lines[4],
            "Numeric items also take BAR=n, to draw the value as a bar n cells wide, GRAPH=n, to "
            "draw its last n values as a graph, and MAX=v, the top of their scale, as in "
            "<NAME=ProcUsage GRAPH=20> or <NAME=NetRead BAR=10 MAX=1000>.");
}

TEST_F(OptionFormTest, OpeningListsEveryItemInRegistryOrderAndTheStoredText) {
  TOptionForm form(nullptr, Host);
  const std::vector<std::string> names = Host.Formatters().ListItemNames();
  ASSERT_EQ(form.lbFmt->count(), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(form.lbFmt->item(static_cast<int>(i))->text().toStdString(), names[i]);
  EXPECT_EQ(form.Memo1->toPlainText(), "first\nsecond");
  EXPECT_EQ(form.EditedText(), "first\r\nsecond");
}

TEST_F(OptionFormTest, SelectingAnItemShowsItsHelp) {
  TOptionForm form(nullptr, Host);
  form.lbFmt->setCurrentItem(Item(form, "Processor Usage"));
  const QString help = form.meDesc->toPlainText();
  EXPECT_TRUE(help.contains("Default Usage String:")) << help.toStdString();
  EXPECT_TRUE(help.contains("<NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">"));
  EXPECT_FALSE(help.contains('\r'));
}

TEST_F(OptionFormTest, DoubleClickAppendsTheDefaultTagAsANewLastLine) {
  TOptionForm form(nullptr, Host);
  QListWidgetItem* item = Item(form, "Processor Usage");
  ASSERT_NE(item, nullptr);
  form.lbFmt->setCurrentItem(item);
  emit form.lbFmt->itemDoubleClicked(item);
  EXPECT_EQ(form.EditedText(),
            "first\r\nsecond\r\nProc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">");
  form.Memo1->setPlainText("ends with a break\n");
  emit form.lbFmt->itemDoubleClicked(item);
  EXPECT_EQ(form.EditedText(),
            "ends with a break\r\nProc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">");
}

TEST_F(OptionFormTest, DoubleClickWithNothingSelectedDoesNothing) {
  TOptionForm form(nullptr, Host);
  form.lbFmt->setCurrentItem(nullptr);
  form.lbFmtDblClick();
  EXPECT_EQ(form.EditedText(), "first\r\nsecond");
}

TEST_F(OptionFormTest, PreviewThenCancelRestoresTheStoredText) {
  TOptionForm form(nullptr, Host);
  form.Memo1->setPlainText("previewed");
  form.btnPreview->click();
  EXPECT_EQ(Host.Shown, "previewed");
  EXPECT_EQ(Host.Applied, "first\r\nsecond");
  form.btnCancel->click();
  EXPECT_EQ(Host.Shown, "first\r\nsecond");
  EXPECT_FALSE(Host.Stored.has_value());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(Host.Calls, (std::vector<std::string>{"BuildLabels", "Arrange(keep)", "BuildLabels",
                                                  "Arrange(keep)"}));
}

TEST_F(OptionFormTest, ApplyThenCancelKeepsTheAppliedText) {
  TOptionForm form(nullptr, Host);
  form.Memo1->setPlainText("applied\nlines");
  form.btnApply->click();
  EXPECT_EQ(Host.Stored, "applied\r\nlines");
  EXPECT_EQ(Host.Calls, (std::vector<std::string>{"BuildLabels", "Arrange(keep)", "SetFormatString",
                                                  "Arrange"}));
  form.Memo1->setPlainText("abandoned");
  form.btnCancel->click();
  EXPECT_EQ(Host.Shown, "applied\r\nlines");
  EXPECT_EQ(Host.Stored, "applied\r\nlines");
}

TEST_F(OptionFormTest, OkWithAnEmptyTextStoresAnEmptyText) {
  TOptionForm form(nullptr, Host);
  form.Memo1->clear();
  form.btnOK->click();
  EXPECT_EQ(Host.Stored, "");
  EXPECT_EQ(Host.Shown, "");
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(OptionFormTest, EscapeIsCancelButTheTitleBarCloseRunsNoHandler) {
  {
    TOptionForm form(nullptr, Host);
    form.Memo1->setPlainText("previewed");
    form.btnPreview->click();
    form.close();
    EXPECT_EQ(Host.Shown, "previewed");
  }
  TOptionForm form(nullptr, Host);
  form.Memo1->setPlainText("other");
  form.btnPreview->click();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&form, &escape);
  EXPECT_EQ(Host.Shown, "first\r\nsecond");
}

TEST_F(OptionFormTest, TextOutsideAsciiSurvivesTheMemo) {
  Host.Applied =
      "Temp \xB0"
      "C \x80";
  TOptionForm form(nullptr, Host);
  EXPECT_EQ(form.EditedText(),
            "Temp \xB0"
            "C \x80");
}

}  // namespace
}  // namespace dravel
