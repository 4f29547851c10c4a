#include "formatter/MBMFormat.h"

#include "formatter/Catalogue.h"
#include "formatter/NumberFormat.h"

namespace dravel {
namespace {

// MBM's value for a fan it has no reading of.
constexpr std::int32_t NoFanReading = 255;

double CelsiusToFahrenheit(double Celsius) { return Celsius * 9 / 5 + 32; }

}  // namespace

TMBMFormat::TMBMFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  using TMethod = void (TMBMFormat::*)(std::string_view, bool, std::string&, bool) const;
  const TMethod Temps[] = {&TMBMFormat::Temp1Func, &TMBMFormat::Temp2Func, &TMBMFormat::Temp3Func};
  const TMethod Fans[] = {&TMBMFormat::Fan1Func, &TMBMFormat::Fan2Func, &TMBMFormat::Fan3Func};
  for (int Sensor = 1; Sensor <= 3; ++Sensor) {
    AddItem("Temperature " + std::to_string(Sensor), catalogue::TempDescription(Sensor),
            "Temp" + std::to_string(Sensor), catalogue::TempDefaultTag(Sensor),
            Bind(Temps[Sensor - 1]), [this, Sensor](std::string_view Format) {
              return TGaugeValue{TempValue(Sensor, Format), std::nullopt};
            });
  }
  for (int Sensor = 1; Sensor <= 3; ++Sensor) {
    AddItem("Fan " + std::to_string(Sensor), catalogue::FanDescription(Sensor),
            "Fan" + std::to_string(Sensor), catalogue::FanDefaultTag(Sensor),
            Bind(Fans[Sensor - 1]), [this, Sensor](std::string_view) {
              return TGaugeValue{static_cast<double>(FanValue(Sensor)), std::nullopt};
            });
  }
}

double TMBMFormat::TempValue(int Sensor, std::string_view Format) const {
  const double Value = Data().Temp[Sensor - 1];
  return Format == "F" || Format == "f" ? CelsiusToFahrenheit(Value) : Value;
}

std::int32_t TMBMFormat::FanValue(int Sensor) const {
  const std::int32_t Value = Data().Fan[Sensor - 1];
  return Value == NoFanReading ? 0 : Value;
}

void TMBMFormat::TempFunc(int Sensor, std::string_view Format, std::string& Output) const {
  Output = FormatGeneral(TempValue(Sensor, Format), Settings());
}

void TMBMFormat::FanFunc(int Sensor, std::string& Output) const {
  Output = FormatInt(FanValue(Sensor));
}

void TMBMFormat::Temp1Func(std::string_view Format, bool, std::string& Output, bool) const {
  TempFunc(1, Format, Output);
}
void TMBMFormat::Temp2Func(std::string_view Format, bool, std::string& Output, bool) const {
  TempFunc(2, Format, Output);
}
void TMBMFormat::Temp3Func(std::string_view Format, bool, std::string& Output, bool) const {
  TempFunc(3, Format, Output);
}
void TMBMFormat::Fan1Func(std::string_view, bool, std::string& Output, bool) const {
  FanFunc(1, Output);
}
void TMBMFormat::Fan2Func(std::string_view, bool, std::string& Output, bool) const {
  FanFunc(2, Output);
}
void TMBMFormat::Fan3Func(std::string_view, bool, std::string& Output, bool) const {
  FanFunc(3, Output);
}

}  // namespace dravel
