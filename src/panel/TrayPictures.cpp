#include "panel/TrayPictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "formatter/ProcFormat.h"

// The pictures are linked in from a static library: register them explicitly.
static void LoadTrayResources() { Q_INIT_RESOURCE(tray); }
static void LoadIconResources() { Q_INIT_RESOURCE(appicon); }

namespace dravel {

QIcon SmileyIcon(bool Connected) {
  [[maybe_unused]] static const bool Loaded = (LoadTrayResources(), true);
  const QString Name = Connected ? QStringLiteral(":/tray/SMILEYCONNECTED")
                                 : QStringLiteral(":/tray/SMILEYDISCONNECTED");
  // Both forms named, so that a 2x screen gets the finer one whatever Qt's own lookup does.
  QIcon Icon;
  Icon.addFile(Name + QStringLiteral(".png"), QSize(16, 16));
  Icon.addFile(Name + QStringLiteral("@2x.png"), QSize(32, 32));
  return Icon;
}

std::string TrayUsageText(const TProcFormat& Proc) {
  if (Proc.Shell().Data.ProcUsage[0] > 99.0F) return "99";
  std::string text;
  Proc.ProcUsageFunc("", true, text, false);
  return text;
}

QPixmap UsagePicture(const QString& Text, const QFont& Font, qreal Ratio) {
  QPixmap picture(QSize(16, 16) * Ratio);
  picture.setDevicePixelRatio(Ratio);
  // The desktop's counterpart of the 3-D light system colour.
  picture.fill(QGuiApplication::palette().color(QPalette::Midlight));
  QPainter painter(&picture);
  painter.setFont(Font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(1, 1, 15, 15), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, Text);
  return picture;
}

QIcon ApplicationIcon() {
  [[maybe_unused]] static const bool Loaded = (LoadIconResources(), true);
  QIcon BuiltIn;
  for (const int Size : {16, 22, 32, 48, 64, 128, 256})
    BuiltIn.addFile(QStringLiteral(":/icons/%1x%1/dravel.png").arg(Size), QSize(Size, Size));
  return QIcon::fromTheme(QStringLiteral("dravel"), BuiltIn);
}

}  // namespace dravel
