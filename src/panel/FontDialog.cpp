#include "panel/FontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <utility>

namespace dravel {
namespace {

// The sixteen colours a font dialog offers, as on the desktop the panel came from.
const std::array<std::pair<const char*, QRgb>, 16> NamedColors{{
    {"Black", qRgb(0, 0, 0)},
    {"Maroon", qRgb(128, 0, 0)},
    {"Green", qRgb(0, 128, 0)},
    {"Olive", qRgb(128, 128, 0)},
    {"Navy", qRgb(0, 0, 128)},
    {"Purple", qRgb(128, 0, 128)},
    {"Teal", qRgb(0, 128, 128)},
    {"Gray", qRgb(128, 128, 128)},
    {"Silver", qRgb(192, 192, 192)},
    {"Red", qRgb(255, 0, 0)},
    {"Lime", qRgb(0, 255, 0)},
    {"Yellow", qRgb(255, 255, 0)},
    {"Blue", qRgb(0, 0, 255)},
    {"Fuchsia", qRgb(255, 0, 255)},
    {"Aqua", qRgb(0, 255, 255)},
    {"White", qRgb(255, 255, 255)},
}};

QIcon Swatch(const QColor& Color) {
  QPixmap swatch(12, 12);
  swatch.fill(Color);
  return QIcon(swatch);
}

}  // namespace

TFontDialog::TFontDialog(QWidget* Parent, const QFont& Font, const QColor& Color)
    : QDialog(Parent) {
  setWindowTitle(tr("Font"));
  FaceBox = new QFontComboBox(this);
  // The family the desktop really draws for Font (a stored "MS Sans Serif" is drawn with a
  // substitute): the box shows it, and choosing keeps it.
  FaceBox->setCurrentFont(QFont(QFontInfo(Font).family()));
  SizeBox = new QSpinBox(this);
  SizeBox->setRange(1, 1638);
  SizeBox->setValue(Font.pointSize() > 0 ? Font.pointSize() : 8);
  BoldBox = new QCheckBox(tr("&Bold"), this);
  BoldBox->setChecked(Font.bold());
  ItalicBox = new QCheckBox(tr("&Italic"), this);
  ItalicBox->setChecked(Font.italic());
  UnderlineBox = new QCheckBox(tr("&Underline"), this);
  UnderlineBox->setChecked(Font.underline());
  StrikeOutBox = new QCheckBox(tr("Stri&keout"), this);
  StrikeOutBox->setChecked(Font.strikeOut());
  ColorBox = new QComboBox(this);
  for (const auto& [name, rgb] : NamedColors)
    ColorBox->addItem(Swatch(QColor(rgb)), tr(name), QColor(rgb));
  SelectColor(Color);
  SampleLabel = new QLabel(tr("AaBbYyZz"), this);
  SampleLabel->setMinimumHeight(48);
  SampleLabel->setAlignment(Qt::AlignCenter);
  SampleLabel->setFrameShape(QFrame::StyledPanel);
  SampleLabel->setAutoFillBackground(true);

  auto* form = new QFormLayout;
  form->addRow(tr("&Font:"), FaceBox);
  form->addRow(tr("&Size:"), SizeBox);
  form->addRow(tr("&Color:"), ColorBox);
  auto* effects = new QHBoxLayout;
  for (QCheckBox* box : {BoldBox, ItalicBox, UnderlineBox, StrikeOutBox}) effects->addWidget(box);
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(effects);
  layout->addWidget(SampleLabel);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] {
    if (OnApply) OnApply();
  });
  connect(FaceBox, &QFontComboBox::currentFontChanged, this, &TFontDialog::UpdateSample);
  connect(SizeBox, &QSpinBox::valueChanged, this, &TFontDialog::UpdateSample);
  for (QCheckBox* box : {BoldBox, ItalicBox, UnderlineBox, StrikeOutBox})
    connect(box, &QCheckBox::toggled, this, &TFontDialog::UpdateSample);
  connect(ColorBox, &QComboBox::currentIndexChanged, this, &TFontDialog::UpdateSample);
  UpdateSample();
}

void TFontDialog::SelectColor(const QColor& Color) {
  const QColor opaque = QColor(Color.rgb());
  int index = ColorBox->findData(opaque);
  if (index < 0) {
    ColorBox->addItem(Swatch(opaque), opaque.name(), opaque);
    index = ColorBox->count() - 1;
  }
  ColorBox->setCurrentIndex(index);
}

QFont TFontDialog::SelectedFont() const {
  // The family named in the box, which is the one shown.
  QFont font(FaceBox->currentText());
  font.setPointSize(SizeBox->value());
  font.setBold(BoldBox->isChecked());
  font.setItalic(ItalicBox->isChecked());
  font.setUnderline(UnderlineBox->isChecked());
  font.setStrikeOut(StrikeOutBox->isChecked());
  return font;
}

QColor TFontDialog::SelectedColor() const { return ColorBox->currentData().value<QColor>(); }

QColor SampleBackground(const QColor& Text) {
  // Relative luminance of the text colour: light text on black, dark text on white.
  const auto Linear = [](qreal C) { return C <= 0.04045 ? C / 12.92 : std::pow((C + 0.055) / 1.055, 2.4); };
  const qreal Luminance = 0.2126 * Linear(Text.redF()) + 0.7152 * Linear(Text.greenF()) +
                          0.0722 * Linear(Text.blueF());
  return Luminance > 0.18 ? Qt::black : Qt::white;
}

void TFontDialog::UpdateSample() {
  SampleLabel->setFont(SelectedFont());
  QPalette palette = SampleLabel->palette();
  palette.setColor(QPalette::WindowText, SelectedColor());
  palette.setColor(QPalette::Window, SampleBackground(SelectedColor()));
  SampleLabel->setPalette(palette);
}

}  // namespace dravel
