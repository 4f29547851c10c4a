#include "formatter/NonPerfFormat.h"

#include "formatter/Catalogue.h"
#include "formatter/DateTimeFormat.h"
#include "formatter/NumberFormat.h"
#include "formatter/TextCase.h"

namespace dravel {
namespace {

// The figure FORMAT asks of a measured drive: FREE wins over TOTAL; none when FORMAT holds
// neither.
std::optional<float> DriveFigure(const TDriveEntry& Drive, std::string_view Format) {
  const std::string Upper = UpperCaseAscii(Format);
  if (Upper.find("FREE") != std::string::npos) return Drive.FreeMB;
  if (Upper.find("TOTAL") != std::string::npos) return Drive.TotalMB;
  return std::nullopt;
}

}  // namespace

TNonPerfFormat::TNonPerfFormat(TRawDataShell& Shell, const TFormatSettings& Settings)
    : TFormatter(Shell, Settings) {
  AddItem("IP Addresses", catalogue::IPAddrDescription, "IPAddr", "<NAME=IPAddr>",
          Bind(&TNonPerfFormat::IPAddrFunc));
  AddItem("Computer Name", catalogue::CompNameDescription, "CompName", "<NAME=CompName>",
          Bind(&TNonPerfFormat::CompNameFunc));
  AddItem("User Name", catalogue::UserNameDescription, "UserName", "<NAME=UserName>",
          Bind(&TNonPerfFormat::UserNameFunc));
  AddItem("Date and Time", catalogue::DateTimeDescription(), "DateTime",
          "<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">",
          Bind(&TNonPerfFormat::DateTimeFunc));
  AddItem("Blank", catalogue::BlankDescription, "Blank", "<NAME=Blank SIZE=5>",
          Bind(&TNonPerfFormat::BlankFunc));
  AddItem("Drive Space", catalogue::DriveSpaceDescription(), "DriveSpace",
          "Drive C: <NAME=DriveSpace SIZE=5 FORMAT=\"C FREE\">",
          Bind(&TNonPerfFormat::DriveSpaceFunc), [this](std::string_view Format) {
            const TDriveEntry* Drive = FindOrClaimDrive(Format);
            if (!Drive) return TGaugeValue{0, 0};
            return TGaugeValue{DriveFigure(*Drive, Format).value_or(0), Drive->TotalMB};
          });
}

void TNonPerfFormat::DecideIfActive(std::string_view FormatText) {
  TFormatter::DecideIfActive(FormatText);
  for (TDriveEntry& Drive : Shell().Data.Drives) Drive.Letter = 0;
}

void TNonPerfFormat::IPAddrFunc(std::string_view Format, bool LeadZero, std::string& Output,
                                bool) const {
  const std::string_view Separator = Format.empty() ? std::string_view(", ") : Format;
  const int Width = LeadZero ? 3 : 0;
  std::string Result;
  bool First = true;
  for (const auto& Address : Data().IPAddr) {
    if (Address[0] == 0) continue;
    if (!First) Result += Separator;
    First = false;
    for (int Octet = 0; Octet < 4; ++Octet) {
      if (Octet > 0) Result += '.';
      Result += FormatInt(Address[Octet], Width);
    }
  }
  Output = std::move(Result);
}

void TNonPerfFormat::CompNameFunc(std::string_view, bool, std::string& Output, bool) const {
  Output = ReadShortName(Data().CompName);
}

void TNonPerfFormat::UserNameFunc(std::string_view, bool, std::string& Output, bool) const {
  Output = ReadShortName(Data().UserName);
}

void TNonPerfFormat::DateTimeFunc(std::string_view Format, bool, std::string& Output, bool) const {
  Output = FormatDateTime(Format, Data().DateTime, Settings());
}

void TNonPerfFormat::BlankFunc(std::string_view, bool, std::string& Output, bool) const {
  Output.clear();
}

const TDriveEntry* TNonPerfFormat::FindOrClaimDrive(std::string_view Format) const {
  if (Format.empty()) return nullptr;
  const char Letter = UpperCaseAscii(Format.substr(0, 1)).front();
  if (Letter == 0) return nullptr;  // 0 marks a free slot, never a drive
  for (const TDriveEntry& Drive : Data().Drives) {
    if (Drive.Letter == Letter) return &Drive;
  }
  // Not measured yet: claim the first free slot for the sampler's next drive pass.
  for (TDriveEntry& Drive : Shell().Data.Drives) {
    if (Drive.Letter == 0) {
      Drive.Letter = Letter;
      break;
    }
  }
  return nullptr;
}

void TNonPerfFormat::DriveSpaceFunc(std::string_view Format, bool, std::string& Output,
                                    bool Decimal) const {
  const TDriveEntry* Drive = FindOrClaimDrive(Format);
  if (!Drive) return;
  if (const std::optional<float> Figure = DriveFigure(*Drive, Format))
    Output = FormatNumber(*Figure, Decimal ? 2 : 0, Settings());
}

}  // namespace dravel
