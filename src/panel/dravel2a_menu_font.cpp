// The font of the labels: the Font command with its previewing dialog, ApplyFont,
// the restore of the look at set-up, and font colours as Windows colour values.
#include <QAction>
#include <QPalette>
#include <algorithm>
#include <array>
#include <vector>

#include "panel/FmtLabel.h"
#include "panel/QarvLabel.h"
#include "panel/dravel2a_menu_support.h"
#include "panel/FontDialog.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"

namespace dravel {

namespace {

std::uint8_t StyleBits(const QFont& Font) {
  return static_cast<std::uint8_t>((Font.bold() ? 1 : 0) | (Font.italic() ? 2 : 0) |
                                   (Font.underline() ? 4 : 0) | (Font.strikeOut() ? 8 : 0));
}

void SetStyleBits(QFont& Font, std::uint8_t Bits) {
  Font.setBold((Bits & 1) != 0);
  Font.setItalic((Bits & 2) != 0);
  Font.setUnderline((Bits & 4) != 0);
  Font.setStrikeOut((Bits & 8) != 0);
}

// A font colour as the settings keep it: 0x00BBGGRR (ColorToQColor reads it back).
std::int32_t ToWindowsColor(const QColor& Color) {
  const QRgb Rgb = Color.rgb();
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(qRed(Rgb)) |
                                   static_cast<std::uint32_t>(qGreen(Rgb)) << 8 |
                                   static_cast<std::uint32_t>(qBlue(Rgb)) << 16);
}

}  // namespace

void TDravelDisplay::RestoreLook() {
  TRegistry& Registry = *SettingsRegistry;
  Guarded([&] {
    // The alpha value is a byte: anything stored outside 0..255 is held to it.
    if (Registry.ValueExists("Alpha"))
      FAlpha = static_cast<std::uint8_t>(std::clamp(Registry.ReadInteger("Alpha"), 0, 255));
  });
  // Replayed through their handlers, which flip the tick back, apply and store it.
  Guarded([&] {
    if (!Registry.ValueExists("AOT")) return;
    AlwaysOnTop1->setChecked(!Registry.ReadBool("AOT"));
    AlwaysOnTop1Click();
  });
  Guarded([&] {
    if (!Registry.ValueExists("Trans")) return;
    Transparent1->setChecked(!Registry.ReadBool("Trans"));
    Transparent1Click();
  });
  if (!Registry.ValueExists("FontName")) return;
  Guarded([&] {
    FontDialog1.Font.setFamily(
        QString::fromStdString(Cp1252ToUtf8(Registry.ReadString("FontName"))));
  });
  Guarded([&] {
    if (Registry.ValueExists("FontColor"))
      FontDialog1.Color =
          ColorToQColor(static_cast<TColor>(Registry.ReadInteger("FontColor")));
  });
  Guarded([&] {
    if (!Registry.ValueExists("FontSize")) return;
    const std::int32_t Size = Registry.ReadInteger("FontSize");
    if (Size > 0 && Size <= 1638) FontDialog1.Font.setPointSize(Size);
  });
  Guarded([&] {
    if (!Registry.ValueExists("FontPitch")) return;
    FFontPitch = static_cast<std::uint8_t>(std::clamp(Registry.ReadInteger("FontPitch"), 0, 2));
    FontDialog1.Font.setFixedPitch(FFontPitch == 2);
  });
  Guarded([&] {
    if (!Registry.ValueExists("FontStyle")) return;
    const std::vector<std::uint8_t> Style = Registry.ReadBinaryData("FontStyle");
    SetStyleBits(FontDialog1.Font, Style.empty() ? 0 : Style.front());
  });
  ApplyFont();
}

void TDravelDisplay::Font1Click() {
  const TTimerPause Pause(*this);
  const TFontChoice Kept = FontDialog1;
  TFontDialog Dialog(this, FontDialog1.Font, FontDialog1.Color);
  const auto TakeChoice = [this, &Dialog] {
    FontDialog1.Font = Dialog.SelectedFont();
    FontDialog1.Color = Dialog.SelectedColor();
  };
  Dialog.OnApply = [this, TakeChoice] {
    TakeChoice();
    FontDialog1Apply();
  };
  const int Result = ExecDialog ? ExecDialog(Dialog) : Dialog.exec();
  if (Result == QDialog::Accepted) {
    TakeChoice();
  } else {
    FontDialog1 = Kept;
  }
  Guarded([this] {
    TRegistry& Registry = *SettingsRegistry;
    Registry.WriteString("FontName", Utf8ToCp1252(FontDialog1.Font.family().toStdString()));
    Registry.WriteInteger("FontColor", ToWindowsColor(FontDialog1.Color));
    Registry.WriteInteger("FontSize", FontDialog1.Font.pointSize());
    FFontPitch = FontDialog1.Font.fixedPitch() ? 2 : (FFontPitch == 1 ? 1 : 0);
    Registry.WriteInteger("FontPitch", FFontPitch);
    const std::array<std::uint8_t, 1> Style{StyleBits(FontDialog1.Font)};
    Registry.WriteBinaryData("FontStyle", Style);
  });
  ApplyFont();
}

void TDravelDisplay::FontDialog1Apply() { ApplyFont(); }

void TDravelDisplay::ApplyFont() {
  for (TFmtLabel* Label : Labels()) Label->SetLabelFont(FontDialog1.Font, FontDialog1.Color);
  // A white font needs a black window; every other colour a white one.
  const QRgb Font = FontDialog1.Color.rgb();
  const QColor Wanted =
      qRed(Font) == 255 && qGreen(Font) == 255 && qBlue(Font) == 255 ? Qt::black : Qt::white;
  if (WindowColor() != Wanted) {
    QPalette Colours = palette();
    Colours.setColor(QPalette::Window, Wanted);
    setPalette(Colours);
    DrawDragHandle();
    ApplyTransparency();
  }
  AutoSizeForm = true;
  ArrangeLabels(false);
  UpdateColourKeyShape();
}

}  // namespace dravel
