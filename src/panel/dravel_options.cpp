#include "panel/dravel_options.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "formatter/FormatterRegistry.h"
#include "platform/CodePage.h"

namespace dravel {
namespace {

QString FromCp1252(const std::string& Text) {
  QString text = QString::fromStdString(Cp1252ToUtf8(Text));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

constexpr QSize DesignSize{584, 335};

const char* const MarkupHelp =
    "Use <B> around text to make it bold. Close with </B>. Same for <I> and <U> to do "
    "italics and underline. \n"
    "<C:color> means that the next text will be in color specified, such as <C:Red>. You can "
    "also use hex, as in <C:$8080FF>\n"
    "Finally <S> begins a default shadow which can be ended by </S>. Use S:# to set the "
    "offset of the shadow from the text, \n"
    "with negative numbers indicating an offset in the opposite direction.\n"
    "Numeric items also take BAR=n, to draw the value as a bar n cells wide, GRAPH=n, to draw "
    "its last n values as a graph, and MAX=v, the top of their scale, as in "
    "<NAME=ProcUsage GRAPH=20> or <NAME=NetRead BAR=10 MAX=1000>.";

QPushButton* MakeButton(QWidget* Parent, const QString& Caption, const QString& Hint) {
  auto* button = new QPushButton(Caption, Parent);
  button->setAutoDefault(false);
  button->setStatusTip(Hint);
  return button;
}

QPlainTextEdit* ReadOnlyLook(QPlainTextEdit* Memo, QPalette::ColorRole Background) {
  Memo->setReadOnly(true);
  QPalette palette = Memo->palette();
  palette.setColor(QPalette::Base, Memo->palette().color(Background));
  Memo->setPalette(palette);
  return Memo;
}

// A read-only memo as tall as its word-wrapped text at the width it is given, so that
// every line shows at any font and scale factor.
class TWrappedNote final : public QPlainTextEdit {
 public:
  explicit TWrappedNote(QWidget* Parent) : QPlainTextEdit(Parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }

  // The height the text takes at the widget width Width.
  int NeededHeight(int Width) const {
    const qreal Margin = document()->documentMargin();
    const qreal LineWidth = Width - 2 * frameWidth() - 2 * Margin;
    qreal Height = 0;
    for (const QString& Paragraph : toPlainText().split(QLatin1Char('\n'))) {
      QTextLayout Layout(Paragraph, font());
      QTextOption Option;
      Option.setWrapMode(wordWrapMode());
      Layout.setTextOption(Option);
      Layout.beginLayout();
      for (QTextLine Line = Layout.createLine(); Line.isValid(); Line = Layout.createLine()) {
        Line.setLineWidth(std::max<qreal>(LineWidth, 1));
        Height += Line.height();
      }
      Layout.endLayout();
    }
    return static_cast<int>(std::ceil(Height + 2 * Margin)) + 2 * frameWidth() + 1;
  }

 protected:
  void resizeEvent(QResizeEvent* Event) override {
    QPlainTextEdit::resizeEvent(Event);
    if (const int Needed = NeededHeight(width()); Needed != height()) setFixedHeight(Needed);
  }
};

}  // namespace

TOptionForm::TOptionForm(QWidget* Owner, IOptionHost& Host) : QDialog(Owner), FHost(Host) {
  setWindowTitle(QStringLiteral("Options"));
  move(203, 93);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  setFont(font);

  Label1 = new QLabel(QStringLiteral("Double-click item to add its default"), this);

  lbFmt = new QListWidget(this);
  lbFmt->setStatusTip(QStringLiteral("Available options"));

  // Read-only help pane in the button-face colour, vertical scroll bar.
  meDesc = ReadOnlyLook(new QPlainTextEdit(this), QPalette::Button);
  meDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // One text line is one panel line: no wrapping, both scroll bars.
  Memo1 = new QPlainTextEdit(this);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setStatusTip(QStringLiteral("Your text settings"));

  btnPreview = MakeButton(this, QStringLiteral("&Preview"),
                          QStringLiteral("Preview's your selection; will revert to old settings "
                                         "if you hit Cancel subsequently"));
  btnApply = MakeButton(this, QStringLiteral("&Apply"),
                        QStringLiteral("Applies your selection; will NOT revert to old settings "
                                       "if you hit Cancel subsequently"));
  btnCancel = MakeButton(this, QStringLiteral("&Cancel"), QStringLiteral("Cancel any un-applied changes"));
  btnOK = MakeButton(this, QStringLiteral("&OK"), QStringLiteral("Apply changes and close Options dialog"));
  btnOK->setDefault(true);

  // The markup help, word-wrapped, in the scroll-bar colour, every line shown.
  Memo2 = ReadOnlyLook(new TWrappedNote(this), QPalette::Midlight);
  Memo2->setPlainText(QString::fromLatin1(MarkupHelp));

  // The design's proportions: the item list and its help on the left, the text and the
  // buttons on the right, the markup help across the bottom. The layouts give each
  // control the room its text needs at the font and scale factor in use.
  auto* items = new QVBoxLayout;
  items->addWidget(Label1);
  items->addWidget(lbFmt, 137);
  items->addWidget(meDesc, 89);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* Button : {btnPreview, btnApply, btnCancel, btnOK}) buttons->addWidget(Button);
  buttons->addStretch(1);
  auto* text = new QVBoxLayout;
  text->addWidget(Memo1, 1);
  text->addLayout(buttons);
  auto* columns = new QHBoxLayout;
  columns->addLayout(items, 169);
  columns->addLayout(text, 393);
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(8, 8, 7, 6);
  form->addLayout(columns, 1);
  form->addWidget(Memo2);
  lbFmt->setMinimumWidth(Label1->sizeHint().width());

  setTabOrder(btnPreview, btnApply);
  setTabOrder(btnApply, btnCancel);
  setTabOrder(btnCancel, btnOK);
  setTabOrder(btnOK, Memo1);
  setTabOrder(Memo1, lbFmt);
  setTabOrder(lbFmt, meDesc);
  setTabOrder(meDesc, Memo2);

  connect(lbFmt, &QListWidget::itemSelectionChanged, this, &TOptionForm::lbFmtClick);
  connect(lbFmt, &QListWidget::itemDoubleClicked, this, &TOptionForm::lbFmtDblClick);
  connect(btnPreview, &QPushButton::clicked, this, &TOptionForm::btnPreviewClick);
  connect(btnApply, &QPushButton::clicked, this, &TOptionForm::btnApplyClick);
  connect(btnCancel, &QPushButton::clicked, this, &TOptionForm::btnCancelClick);
  connect(btnOK, &QPushButton::clicked, this, &TOptionForm::btnOKClick);

  FormCreate();
  // The design size to start with, larger where the text needs it.
  const QMargins Margins = form->contentsMargins();
  Memo2->setFixedHeight(static_cast<TWrappedNote*>(Memo2)->NeededHeight(
      DesignSize.width() - Margins.left() - Margins.right()));
  resize(DesignSize.expandedTo(minimumSizeHint()));
}

void TOptionForm::FormCreate() {
  for (const std::string& name : FHost.Formatters().ListItemNames())
    lbFmt->addItem(FromCp1252(name));
  Memo1->setPlainText(FromCp1252(FHost.FormatText()));
}

void TOptionForm::lbFmtClick() {
  const QListWidgetItem* item = lbFmt->currentItem();
  if (item == nullptr) return;
  meDesc->clear();
  const std::string name = Utf8ToCp1252(item->text().toStdString());
  meDesc->setPlainText(FromCp1252(FHost.Formatters().GetUsageText(name)));
}

void TOptionForm::lbFmtDblClick() {
  const QListWidgetItem* item = lbFmt->currentItem();
  if (item == nullptr) return;
  const std::string tag =
      FHost.Formatters().GetDefaultTag(Utf8ToCp1252(item->text().toStdString()));
  if (tag.empty()) return;
  // A new last line, also when the text ends with a line break already.
  QString text = Memo1->toPlainText();
  if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
  Memo1->setPlainText(text + FromCp1252(tag));
}

std::string TOptionForm::EditedText() const {
  QString text = Memo1->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return Utf8ToCp1252(text.toStdString());
}

void TOptionForm::btnPreviewClick() {
  FHost.BuildLabels(EditedText());
  FHost.ArrangeLabels(true);
}

void TOptionForm::btnApplyClick() {
  btnPreviewClick();
  FHost.SetFormatString(EditedText());
  FHost.ArrangeLabels(false);
}

void TOptionForm::btnCancelClick() {
  FHost.BuildLabels(FHost.FormatText());
  FHost.ArrangeLabels(true);
  done(QDialog::Rejected);
}

void TOptionForm::btnOKClick() {
  btnApplyClick();
  done(QDialog::Accepted);
}

void TOptionForm::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
    btnCancel->click();
    return;
  }
  QDialog::keyPressEvent(Event);
}

}  // namespace dravel
