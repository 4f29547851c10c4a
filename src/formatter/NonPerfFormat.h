#pragma once
// Addresses, computer and user name, date and time, the blank filler and drive space.

#include "formatter/Formatter.h"

namespace dravel {

class TNonPerfFormat : public TFormatter {
 public:
  TNonPerfFormat(TRawDataShell& Shell, const TFormatSettings& Settings);

  // Also frees all eight drive slots, whatever the text holds; drive-space tags claim
  // them again as they are evaluated.
  void DecideIfActive(std::string_view FormatText) override;

  void IPAddrFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void CompNameFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void UserNameFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void DateTimeFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  void BlankFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;
  // Claims a drive slot for a letter not yet in one (writes to the shell's record).
  void DriveSpaceFunc(std::string_view Format, bool LeadZero, std::string& Output, bool Decimal) const;

 private:
  // The slot measuring the drive FORMAT names; none when FORMAT names none or the drive is
  // not measured yet, in which case the first free slot is claimed for it.
  const TDriveEntry* FindOrClaimDrive(std::string_view Format) const;
};

}  // namespace dravel
