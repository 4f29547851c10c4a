#pragma once
// Temperatures and fans reported by the MBM sensor program.

#include "formatter/Formatter.h"

namespace dravel {

class TMBMFormat : public TFormatter {
 public:
  TMBMFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  void Temp1Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void Temp2Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void Temp3Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void Fan1Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void Fan2Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void Fan3Func(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;

 private:
  // Celsius, or Fahrenheit for FORMAT "F"; a fan's speed, 0 without a reading.
  double TempValue(int Sensor, std::string_view Format) const;
  std::int32_t FanValue(int Sensor) const;
  void TempFunc(int Sensor, std::string_view Format, std::string& Output) const;
  void FanFunc(int Sensor, std::string& Output) const;
};

}  // namespace dravel
