#include "formatter/NetworkFormat.h"

#include "formatter/ArrayItem.h"
#include "formatter/Catalogue.h"

namespace dravel {
namespace {

constexpr TArrayItemStyle RateStyle{.KilobitsOnLowerB = true, .Thousands = false};
constexpr TArrayItemStyle SumStyle{.KilobitsOnLowerB = true, .Thousands = true};

}  // namespace

TNetworkFormat::TNetworkFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("Network Read Stats",
          catalogue::NetworkDescription("Bytes Read from all network adapters, in KB/sec.", "NetRead"),
          "NetRead", "KB Read: <NAME=NetRead LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TNetworkFormat::ReadFunc), ArrayGauge(&TRawData::NetRead, false));
  AddItem("Network Write Stats",
          catalogue::NetworkDescription("Bytes Written to all network adapters, in KB/sec.",
                                        "NetWrite"),
          "NetWrite", "KB Write: <NAME=NetWrite LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TNetworkFormat::WriteFunc), ArrayGauge(&TRawData::NetWrite, false));
  AddItem("Network Bytes Read",
          catalogue::NetworkDescription(
              "Bytes Read from all network adapters since system startup, in KB.", "NetSumRead"),
          "NetSumRead", "KB Read Sum: <NAME=NetSumRead LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TNetworkFormat::ReadSumFunc), ArrayGauge(&TRawData::NetSumRead, true));
  AddItem("Network Bytes Written",
          catalogue::NetworkDescription(
              "Bytes Written to all network adapters since system startup, in KB.", "NetSumWrite"),
          "NetSumWrite",
          "KB Write Sum: <NAME=NetSumWrite LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
          Bind(&TNetworkFormat::WriteSumFunc), ArrayGauge(&TRawData::NetSumWrite, true));
}

TGaugeFunc TNetworkFormat::ArrayGauge(const float (TRawData::*Field)[5], bool Sum) const {
  const TArrayItemStyle Style = Sum ? SumStyle : RateStyle;
  return [this, Field, Style](std::string_view Format) {
    return TGaugeValue{ArrayItemValue(Data().*Field, Format, Style).value_or(0), std::nullopt};
  };
}

void TNetworkFormat::ReadFunc(std::string_view Format, bool LeadZero, std::string& Output,
                              bool Decimal) const {
  Output = FormatArrayItem(Data().NetRead, Format, LeadZero, Decimal, RateStyle, Settings());
}

void TNetworkFormat::WriteFunc(std::string_view Format, bool LeadZero, std::string& Output,
                               bool Decimal) const {
  Output = FormatArrayItem(Data().NetWrite, Format, LeadZero, Decimal, RateStyle, Settings());
}

void TNetworkFormat::ReadSumFunc(std::string_view Format, bool LeadZero, std::string& Output,
                                 bool Decimal) const {
  Output = FormatArrayItem(Data().NetSumRead, Format, LeadZero, Decimal, SumStyle, Settings());
}

void TNetworkFormat::WriteSumFunc(std::string_view Format, bool LeadZero, std::string& Output,
                                  bool Decimal) const {
  Output = FormatArrayItem(Data().NetSumWrite, Format, LeadZero, Decimal, SumStyle, Settings());
}

}  // namespace dravel
