#pragma once
// The pictures of the tray icon: the two smileys of the link state and the
// processor usage drawn as two digits.
#include <QFont>
#include <QIcon>
#include <QString>
#include <string>

namespace dravel {

class TProcFormat;

// "SMILEYCONNECTED" or "SMILEYDISCONNECTED", 16 by 16 pixels.
QIcon SmileyIcon(bool Connected);

// The two digits of the record's overall usage: "99" above 99.0, else the
// processor item's own whole-number form with a leading zero below 10.
std::string TrayUsageText(const TProcFormat& Proc);

// 16 by 16, the text in Font drawn black at (1, 1) over the 3-D light colour.
QPixmap UsagePicture(const QString& Text, const QFont& Font);

}  // namespace dravel
