#pragma once
// The pictures of the tray icon: the two smileys of the link state and the
// processor usage drawn as two digits; and the application's own icon.
#include <QFont>
#include <QIcon>
#include <QString>
#include <string>

namespace dravel {

class TProcFormat;

// "SMILEYCONNECTED" or "SMILEYDISCONNECTED", 16 by 16 pixels (with a 32 by 32 form for
// screens at a device-pixel ratio of 2).
QIcon SmileyIcon(bool Connected);

// The two digits of the record's overall usage: "99" above 99.0, else the
// processor item's own whole-number form with a leading zero below 10.
std::string TrayUsageText(const TProcFormat& Proc);

// 16 by 16, the text in Font drawn black at (1, 1) over the 3-D light colour; drawn at the
// screen's device-pixel ratio Ratio, so that it stays crisp at 2x.
QPixmap UsagePicture(const QString& Text, const QFont& Font, qreal Ratio = 1.0);

// The desktop's "dravel" icon where it is installed, else the same pictures built in.
QIcon ApplicationIcon();

}  // namespace dravel
