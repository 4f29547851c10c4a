#pragma once
// The font dialog of the panel: face, size, bold, italic, underline,
// strike-out and colour, with an Apply button that previews at once.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QSpinBox;

namespace dravel {

// The sample's background for text of colour Text: black or white, whichever the colour
// stands out from more.
QColor SampleBackground(const QColor& Text);

class TFontDialog : public QDialog {
  Q_OBJECT

 public:
  TFontDialog(QWidget* Parent, const QFont& Font, const QColor& Color);

  QFont SelectedFont() const;
  QColor SelectedColor() const;
  // Selects Color, adding it to the list when it is none of the sixteen named ones.
  void SelectColor(const QColor& Color);

  // Runs on every press of Apply, with the dialog's choice readable.
  std::function<void()> OnApply;

  QFontComboBox* FaceBox = nullptr;
  QSpinBox* SizeBox = nullptr;
  QCheckBox* BoldBox = nullptr;
  QCheckBox* ItalicBox = nullptr;
  QCheckBox* UnderlineBox = nullptr;
  QCheckBox* StrikeOutBox = nullptr;
  QComboBox* ColorBox = nullptr;
  QLabel* SampleLabel = nullptr;  // the sample text in the chosen font and colour

 private:
  void UpdateSample();
};

}  // namespace dravel
