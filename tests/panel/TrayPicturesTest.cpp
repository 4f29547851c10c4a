#include "panel/TrayPictures.h"

#include <gtest/gtest.h>

#include "PanelTestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>

#include "formatter/FormatterRegistry.h"

namespace dravel {
namespace {

class TrayPicturesTest : public testing::PanelTest {
 protected:
  std::string Digits(float Usage) {
    Shell.Data.ProcUsage[0] = Usage;
    return TrayUsageText(Registry.Proc());
  }

  TRawDataShell Shell;
  TFormatterRegistry Registry{Shell, TFormatSettings{}};
};

TEST_F(TrayPicturesTest, UsageShowsAsTwoDigits) {
  EXPECT_EQ(Digits(100.0F), "99");
  EXPECT_EQ(Digits(99.5F), "99");
  EXPECT_EQ(Digits(7.2F), "07");
  EXPECT_EQ(Digits(42.6F), "43");
  EXPECT_EQ(Digits(0.0F), "00");
}

TEST_F(TrayPicturesTest, BothSmileysAreSixteenPixelPictures) {
  for (const bool connected : {true, false}) {
    const QIcon icon = SmileyIcon(connected);
    ASSERT_FALSE(icon.isNull()) << connected;
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
  }
  EXPECT_NE(SmileyIcon(true).pixmap(16, 16).toImage(), SmileyIcon(false).pixmap(16, 16).toImage());
}

TEST_F(TrayPicturesTest, UsagePictureIsBlackTextOnTheLightColour) {
  QFont font;
  font.setPixelSize(11);
  const QImage image = UsagePicture("88", font).toImage();
  ASSERT_EQ(image.size(), QSize(16, 16));
  const QRgb light = QGuiApplication::palette().color(QPalette::Midlight).rgb();
  EXPECT_EQ(image.pixel(15, 15), light);
  EXPECT_EQ(image.pixel(0, 0), light);  // the text starts at (1, 1)
  int dark = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) dark += qGray(image.pixel(x, y)) < 64 ? 1 : 0;
  EXPECT_GT(dark, 4);
}

TEST_F(TrayPicturesTest, PicturesAreDrawnInDevicePixelsAtTwiceTheScale) {
  QFont font;
  font.setPixelSize(11);
  const QPixmap usage = UsagePicture("88", font, 2.0);
  EXPECT_EQ(usage.size(), QSize(32, 32));
  EXPECT_EQ(usage.deviceIndependentSize(), QSizeF(16, 16));
  // The smileys come with their double-size forms.
  for (const bool connected : {true, false}) {
    const QPixmap sharp = SmileyIcon(connected).pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32)) << connected;
    const QImage image = sharp.toImage();
    // Drawn at that size, not the 16 by 16 picture doubled: neighbouring device pixels
    // differ somewhere inside every 2 by 2 block row.
    int finer = 0;
    for (int y = 0; y < 32; y += 2)
      for (int x = 0; x < 32; x += 2) finer += image.pixel(x, y) != image.pixel(x + 1, y);
    EXPECT_GT(finer, 10) << connected;
  }
}

TEST_F(TrayPicturesTest, TheApplicationIconHasEveryDesktopSize) {
  const QIcon icon = ApplicationIcon();
  ASSERT_FALSE(icon.isNull());
  for (const int size : {16, 22, 32, 48, 64, 128, 256})
    EXPECT_EQ(icon.pixmap(QSize(size, size)).size(), QSize(size, size)) << size;
}

}  // namespace
}  // namespace dravel
