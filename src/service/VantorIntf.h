#pragma once
// The web service contract: the sub-item enumeration and the sixteen operations other
// programs call over SOAP, in their published slot order and with their published
// parameter names (the names are those of the XML elements of a request).

#include <cstdint>
#include <string>

#include "service/XsdDateTime.h"

namespace dravel {

enum class TSubItem : std::uint8_t {
  siFree = 0,   // the free or available amount
  siTotal = 1,  // the total amount
  siUsed = 2,   // total minus free
};

class IVantorWS {
 public:
  virtual ~IVantorWS() = default;

  virtual std::string GetFormattedItem(const std::string& FormatString) = 0;
  virtual std::uint8_t GetVersion() = 0;
  virtual float GetDriveSpace(char Selection, TSubItem SubItem) = 0;
  virtual float GetProcUsage(std::int8_t Selection) = 0;
  virtual float GetNetRead(std::int8_t Selection) = 0;
  virtual float GetNetReadSum(std::int8_t Selection) = 0;
  virtual float GetNetWrite(std::int8_t Selection) = 0;
  virtual float GetNetWriteSum(std::int8_t Selection) = 0;
  virtual std::uint32_t GetPage(TSubItem SubItem) = 0;
  virtual std::uint32_t GetRAM(TSubItem SubItem) = 0;
  virtual std::int16_t GetThreads() = 0;
  virtual std::int16_t GetProcesses() = 0;
  virtual TXSDateTime GetDateTime() = 0;
  virtual std::int64_t GetUptime() = 0;
  virtual std::string GetCompName() = 0;
  virtual std::string GetUser() = 0;
};

}  // namespace dravel
