// The prompts as real Qt dialogs.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

#include "panel/Prompts.h"
#include "platform/CodePage.h"

namespace dravel {

namespace {

QString ToQt(const std::string& Text) { return QString::fromStdString(Cp1252ToUtf8(Text)); }
std::string FromQt(const QString& Text) { return Utf8ToCp1252(Text.toStdString()); }

class TQtPrompter final : public IPrompter {
 public:
  explicit TQtPrompter(QWidget* Parent) : FParent(Parent) {}

  bool InputQuery(const std::string& Caption, const std::string& Prompt,
                  std::string& Value) override {
    bool Ok = false;
    const QString Answer = QInputDialog::getText(FParent, ToQt(Caption), ToQt(Prompt),
                                                 QLineEdit::Normal, ToQt(Value), &Ok);
    if (Ok) Value = FromQt(Answer);
    return Ok;
  }

  TMsgResult MessageBox(const std::string& Text, const std::string& Caption,
                        TMsgButtons Buttons) override {
    return Show(QMessageBox::NoIcon, Text, Caption, Buttons);
  }

  void InformationBox(const std::string& Text, const std::string& Caption) override {
    Show(QMessageBox::Information, Text, Caption, TMsgButtons::Ok);
  }

  void ShowMessage(const std::string& Text) override {
    QMessageBox::information(FParent, QApplication::applicationDisplayName(), ToQt(Text));
  }

 private:
  TMsgResult Show(QMessageBox::Icon Icon, const std::string& Text, const std::string& Caption,
                  TMsgButtons Buttons) {
    QMessageBox::StandardButtons Set = QMessageBox::Ok;
    switch (Buttons) {
      case TMsgButtons::Ok: Set = QMessageBox::Ok; break;
      case TMsgButtons::OkCancel: Set = QMessageBox::Ok | QMessageBox::Cancel; break;
      case TMsgButtons::YesNo: Set = QMessageBox::Yes | QMessageBox::No; break;
      case TMsgButtons::YesNoCancel:
        Set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox Box(Icon, ToQt(Caption), ToQt(Text), Set, FParent);
    switch (Box.exec()) {
      case QMessageBox::Yes: return TMsgResult::Yes;
      case QMessageBox::No: return TMsgResult::No;
      case QMessageBox::Cancel: return TMsgResult::Cancel;
      default: return Buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
  }

  QPointer<QWidget> FParent;
};

}  // namespace

std::unique_ptr<IPrompter> MakeQtPrompter(QWidget* Parent) {
  return std::make_unique<TQtPrompter>(Parent);
}

}  // namespace dravel
