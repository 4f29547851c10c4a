#pragma once
// TOptionForm: the dialog where the user edits the format text, with the list of
// display items, an item's help, and Preview, Apply, Cancel and OK on the live panel.
#include <QDialog>
#include <string>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace dravel {

class TFormatterRegistry;

// What the dialog needs of the main window.
class IOptionHost {
 public:
  virtual ~IOptionHost() = default;
  virtual const TFormatterRegistry& Formatters() const = 0;
  // FFormatText: the text last applied.
  virtual const std::string& FormatText() const = 0;
  virtual void BuildLabels(const std::string& Text) = 0;
  virtual void SetFormatString(const std::string& Text) = 0;
  virtual void ArrangeLabels(bool KeepRightEdge) = 0;
};

class TOptionForm : public QDialog {
  Q_OBJECT

 public:
  TOptionForm(QWidget* Owner, IOptionHost& Host);

  void FormCreate();
  void lbFmtClick();
  void lbFmtDblClick();
  void btnPreviewClick();
  void btnApplyClick();
  void btnCancelClick();
  void btnOKClick();

  // Memo1's text with CR LF line ends, as the format text keeps them (CP1252).
  std::string EditedText() const;

  QLabel* Label1 = nullptr;
  QListWidget* lbFmt = nullptr;
  QPlainTextEdit* meDesc = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* btnPreview = nullptr;
  QPushButton* btnApply = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnOK = nullptr;
  QPlainTextEdit* Memo2 = nullptr;

 protected:
  // Esc is the Cancel button; closing from the title bar runs no handler.
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  IOptionHost& FHost;
};

}  // namespace dravel
