#include "panel/FontDialog.h"

#include <gtest/gtest.h>

#include "PanelTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
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

}  // namespace
}  // namespace dravel
