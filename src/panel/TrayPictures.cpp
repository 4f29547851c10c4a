#include "panel/TrayPictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "formatter/ProcFormat.h"

// The pictures are linked in from a static library: register them explicitly.
static void LoadTrayResources() { Q_INIT_RESOURCE(tray); }

namespace dravel {

QIcon SmileyIcon(bool Connected) {
  [[maybe_unused]] static const bool Loaded = (LoadTrayResources(), true);
  return QIcon(Connected ? QStringLiteral(":/tray/SMILEYCONNECTED.png")
                         : QStringLiteral(":/tray/SMILEYDISCONNECTED.png"));
}

std::string TrayUsageText(const TProcFormat& Proc) {
  if (Proc.Shell().Data.ProcUsage[0] > 99.0F) return "99";
  std::string text;
  Proc.ProcUsageFunc("", true, text, false);
  return text;
}

QPixmap UsagePicture(const QString& Text, const QFont& Font) {
  QPixmap picture(16, 16);
  // The desktop's counterpart of the 3-D light system colour.
  picture.fill(QGuiApplication::palette().color(QPalette::Midlight));
  QPainter painter(&picture);
  painter.setFont(Font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(1, 1, 15, 15), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, Text);
  return picture;
}

}  // namespace dravel
