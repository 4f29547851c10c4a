#include "service/XsdDateTime.h"

#include <cstdio>
#include <stdexcept>

#include "formatter/DateTimeFormat.h"

namespace dravel {

TXSDateTime TXSDateTime::FromDateTime(double DateTime) {
  // Decoded as the panel's date-time item decodes it.
  const auto Decoded = DecodeDateTime(DateTime);
  if (!Decoded) throw std::invalid_argument("Invalid date-time value in the sample record");
  return {Decoded->Year,   Decoded->Month,  Decoded->Day, Decoded->Hour,
          Decoded->Minute, Decoded->Second, Decoded->MSec};
}

std::string TXSDateTime::ToXSD() const {
  char Text[40];
  int Length = std::snprintf(Text, sizeof Text, "%.4d-%.2d-%.2d", Year, Month, Day);
  if (Hour != 0 || Minute != 0 || Second != 0) {
    Length += std::snprintf(Text + Length, sizeof Text - Length, "T%.2d:%.2d:%.2d.%.3d", Hour,
                            Minute, Second, Millisecond);
  }
  return std::string(Text, Length);
}

}  // namespace dravel
