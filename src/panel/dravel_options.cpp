#include "panel/dravel_options.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

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

QPushButton* MakeButton(QWidget* Parent, const QString& Caption, int Left, const QString& Hint) {
  auto* button = new QPushButton(Caption, Parent);
  button->setGeometry(Left, 224, 75, 25);
  button->setAutoDefault(false);
  button->setStatusTip(Hint);
  return button;
}

QPlainTextEdit* MakeMemo(QWidget* Parent, const QRect& Bounds, bool ReadOnly,
                         QPalette::ColorRole Background) {
  auto* memo = new QPlainTextEdit(Parent);
  memo->setGeometry(Bounds);
  memo->setReadOnly(ReadOnly);
  if (ReadOnly) {
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, memo->palette().color(Background));
    memo->setPalette(palette);
  }
  return memo;
}

}  // namespace

TOptionForm::TOptionForm(QWidget* Owner, IOptionHost& Host) : QDialog(Owner), FHost(Host) {
  setWindowTitle(QStringLiteral("Options"));
  setFixedSize(584, 335);
  move(203, 93);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  setFont(font);

  Label1 = new QLabel(QStringLiteral("Double-click item to add its default"), this);
  Label1->move(8, 8);
  Label1->adjustSize();

  lbFmt = new QListWidget(this);
  lbFmt->setGeometry(8, 24, 169, 137);
  lbFmt->setStatusTip(QStringLiteral("Available options"));

  // Read-only help pane in the button-face colour, vertical scroll bar.
  meDesc = MakeMemo(this, QRect(8, 168, 169, 89), true, QPalette::Button);
  meDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // One text line is one panel line: no wrapping, both scroll bars.
  Memo1 = MakeMemo(this, QRect(184, 8, 393, 201), false, QPalette::Base);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setStatusTip(QStringLiteral("Your text settings"));

  btnPreview = MakeButton(this, QStringLiteral("&Preview"), 216,
                          QStringLiteral("Preview's your selection; will revert to old settings "
                                         "if you hit Cancel subsequently"));
  btnApply = MakeButton(this, QStringLiteral("&Apply"), 304,
                        QStringLiteral("Applies your selection; will NOT revert to old settings "
                                       "if you hit Cancel subsequently"));
  btnCancel = MakeButton(this, QStringLiteral("&Cancel"), 392,
                         QStringLiteral("Cancel any un-applied changes"));
  btnOK = MakeButton(this, QStringLiteral("&OK"), 480,
                     QStringLiteral("Apply changes and close Options dialog"));
  btnOK->setDefault(true);

  // The markup help, word-wrapped, in the scroll-bar colour.
  Memo2 = MakeMemo(this, QRect(0, 264, 577, 65), true, QPalette::Midlight);
  Memo2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo2->setPlainText(QString::fromLatin1(MarkupHelp));

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
