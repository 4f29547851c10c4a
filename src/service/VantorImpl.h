#pragma once
// The service implementation: every operation reads the panel's sample record, and
// GetFormattedItem runs the panel's formatters, each under the record's guard so a call
// never sees a half-written record or a formatter in the middle of an update.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "sampling/RawData.h"
#include "service/VantorIntf.h"

namespace dravel {

// What the service reads of the panel: its sample holder and its whole-line evaluation
// (the active formatters in registry order). Evaluate is called with Shell.Guard held.
struct TServiceState {
  TRawDataShell& Shell;
  std::function<std::string(std::string_view Line)> Evaluate;
};

class TVantorWS final : public IVantorWS {
 public:
  explicit TVantorWS(const TServiceState& State) : FState(State) {}

  // Longest text GetFormattedItem evaluates; a longer one is refused with a fault.
  static constexpr std::size_t MaxFormatStringLength = 16 * 1024;

  std::string GetFormattedItem(const std::string& FormatString) override;
  std::uint8_t GetVersion() override;
  float GetDriveSpace(char Selection, TSubItem SubItem) override;
  float GetProcUsage(std::int8_t Selection) override;
  float GetNetRead(std::int8_t Selection) override;
  float GetNetReadSum(std::int8_t Selection) override;
  float GetNetWrite(std::int8_t Selection) override;
  float GetNetWriteSum(std::int8_t Selection) override;
  std::uint32_t GetPage(TSubItem SubItem) override;
  std::uint32_t GetRAM(TSubItem SubItem) override;
  std::int16_t GetThreads() override;
  std::int16_t GetProcesses() override;
  TXSDateTime GetDateTime() override;
  std::int64_t GetUptime() override;
  std::string GetCompName() override;
  std::string GetUser() override;

 private:
  // Reads one field of the record under the guard.
  template <typename TRead>
  auto Read(TRead&& Reader) {
    const std::lock_guard Lock(FState.Shell.Guard);
    return Reader(FState.Shell.Data);
  }

  const TServiceState& FState;
};

}  // namespace dravel
