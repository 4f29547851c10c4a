#include "panel/FontDialog.h"

#include <gtest/gtest.h>

#include "PanelTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QAbstractButton>
#include <cmath>
#include <QPushButton>
#include <QSpinBox>

namespace dravel {
namespace {

class FontDialogTest : public testing::PanelTest {
 protected:
};

TEST_F(FontDialogTest, StartsFromTheGivenFontAndColour) {
  QFont font;
  font.setPointSize(13);
  font.setBold(true);
  font.setStrikeOut(true);
  TFontDialog dialog(nullptr, font, QColor(128, 0, 0));
  const QFont chosen = dialog.SelectedFont();
  EXPECT_EQ(chosen.pointSize(), 13);
  EXPECT_TRUE(chosen.bold());
  EXPECT_FALSE(chosen.italic());
  EXPECT_FALSE(chosen.underline());
  EXPECT_TRUE(chosen.strikeOut());
  EXPECT_EQ(dialog.SelectedColor(), QColor(128, 0, 0));
  EXPECT_EQ(dialog.ColorBox->currentText(), "Maroon");
}

TEST_F(FontDialogTest, AColourOutsideTheSixteenIsKeptAsAnExtraEntry) {
  TFontDialog dialog(nullptr, QFont(), QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(dialog.ColorBox->count(), 17);
  EXPECT_EQ(dialog.SelectedColor(), QColor(0x12, 0x34, 0x56));
  dialog.SelectColor(QColor(255, 255, 255));
  EXPECT_EQ(dialog.ColorBox->count(), 17);
  EXPECT_EQ(dialog.ColorBox->currentText(), "White");
}

TEST_F(FontDialogTest, ApplyRunsTheCallbackWithTheCurrentChoice) {
  TFontDialog dialog(nullptr, QFont(), Qt::black);
  std::vector<int> sizes;
  dialog.OnApply = [&] { sizes.push_back(dialog.SelectedFont().pointSize()); };
  dialog.SizeBox->setValue(20);
  dialog.ItalicBox->setChecked(true);
  dialog.UnderlineBox->setChecked(true);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  buttons->button(QDialogButtonBox::Apply)->click();
  EXPECT_EQ(sizes, std::vector<int>{20});
  EXPECT_TRUE(dialog.SelectedFont().italic());
  EXPECT_TRUE(dialog.SelectedFont().underline());
  EXPECT_EQ(dialog.result(), 0);  // Apply does not close it
}

TEST_F(FontDialogTest, AFontTheDesktopLacksIsShownAndKeptAsTheFamilyDrawnForIt) {
  QFont stored(QStringLiteral("MS Sans Serif"));
  stored.setPointSize(8);
  TFontDialog dialog(nullptr, stored, Qt::black);
  const QString drawn = QFontInfo(stored).family();
  EXPECT_EQ(dialog.FaceBox->currentText(), drawn);
  EXPECT_EQ(dialog.SelectedFont().family(), drawn);
  EXPECT_EQ(QFontInfo(dialog.SelectedFont()).family(), drawn);
  EXPECT_EQ(dialog.SelectedFont().pointSize(), 8);
}

TEST_F(FontDialogTest, TheSampleStandsOutFromItsBackgroundForEveryColour) {
  TFontDialog dialog(nullptr, QFont(), Qt::black);
  ASSERT_NE(dialog.SampleLabel, nullptr);
  EXPECT_TRUE(dialog.SampleLabel->autoFillBackground());
  const auto contrast = [](const QColor& a, const QColor& b) {
    const auto lum = [](const QColor& c) {
      const auto lin = [](qreal v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
      return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const qreal la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
  };
  for (int i = 0; i < dialog.ColorBox->count(); ++i) {
    dialog.ColorBox->setCurrentIndex(i);
    const QPalette palette = dialog.SampleLabel->palette();
    const QColor text = palette.color(QPalette::WindowText);
    EXPECT_EQ(text, dialog.SelectedColor());
    // WCAG's large-text threshold: 3 to 1 at the least, for white, yellow and gray alike.
    EXPECT_GE(contrast(text, palette.color(QPalette::Window)), 3.0)
        << dialog.ColorBox->currentText().toStdString();
  }
  EXPECT_EQ(SampleBackground(Qt::white), QColor(Qt::black));
  EXPECT_EQ(SampleBackground(Qt::yellow), QColor(Qt::black));
  EXPECT_EQ(SampleBackground(QColor(0, 0, 128)), QColor(Qt::white));
}

TEST_F(FontDialogTest, NothingIsClippedAtAnyFontSize) {
  for (const int points : {8, 16, 28}) {
    QFont font = QApplication::font();
    font.setPointSize(points);
    TFontDialog dialog(nullptr, font, Qt::black);
    dialog.setFont(font);
    dialog.show();
    QCoreApplication::processEvents();
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
      if (!control->isVisible() || !qobject_cast<QAbstractButton*>(control)) continue;
      EXPECT_GE(control->width(), control->minimumSizeHint().width()) << points;
      EXPECT_GE(control->height(), control->minimumSizeHint().height()) << points;
    }
    EXPECT_GE(dialog.SampleLabel->width(), dialog.SampleLabel->minimumSizeHint().width()) << points;
    EXPECT_GE(dialog.SampleLabel->height(), dialog.SampleLabel->minimumSizeHint().height()) << points;
    dialog.hide();
  }
}

}  // namespace
}  // namespace dravel
