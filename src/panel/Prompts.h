#pragma once
// Every prompt and message box of the panel goes through IPrompter, so that tests
// can answer them from a script instead of a person. Texts are CP1252 bytes.

#include <memory>
#include <string>

class QWidget;

namespace dravel {

enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };

class IPrompter {
 public:
  virtual ~IPrompter() = default;
  // A one-line input dialog prefilled with Value; true and Value changed on OK,
  // false and Value untouched on Cancel.
  virtual bool InputQuery(const std::string& Caption, const std::string& Prompt,
                          std::string& Value) = 0;
  virtual TMsgResult MessageBox(const std::string& Text, const std::string& Caption,
                                TMsgButtons Buttons) = 0;
  // A message with an OK button, captioned with the application title.
  virtual void ShowMessage(const std::string& Text) = 0;
  // A message box with the information icon and an OK button; without an icon of its own
  // it is the plain message box.
  virtual void InformationBox(const std::string& Text, const std::string& Caption) {
    MessageBox(Text, Caption, TMsgButtons::Ok);
  }
};

// Real dialogs, owned by (and centred on) Parent.
std::unique_ptr<IPrompter> MakeQtPrompter(QWidget* Parent);

}  // namespace dravel
