#pragma once
// Helpers shared by the menu command files of the main window.
#include <cstdint>
#include <string>

#include "panel/dravel2a.h"
#include "sampling/CommaText.h"  // TrimBlanks

namespace dravel {

// Stops the refresh timer for the life of a command's prompt or dialog and starts
// it again on every way out, errors included.
class TTimerPause {
 public:
  explicit TTimerPause(TDravelDisplay& Window) : FWindow(Window) { FWindow.SetTimerEnabled(false); }
  ~TTimerPause() { FWindow.SetTimerEnabled(true); }
  TTimerPause(const TTimerPause&) = delete;
  TTimerPause& operator=(const TTimerPause&) = delete;

 private:
  TDravelDisplay& FWindow;
};

// The value of an all-digits text; a value beyond 32 bits raises
// "'<Text>' is not a valid integer value".
std::int32_t DigitsValue(const std::string& Text);

// Text read as a signed 32-bit integer (leading blanks, a sign, decimal digits or
// "$" and hexadecimal digits), or Default when it is not one.
std::int32_t IntegerOr(const std::string& Text, std::int32_t Default);

}  // namespace dravel
