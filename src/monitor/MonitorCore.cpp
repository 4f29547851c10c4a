#include "monitor/MonitorCore.h"

#include <algorithm>
#include <exception>

#include "monitor/UptimeRecords.h"

namespace dravel {

TMonitorCore::TMonitorCore(const TFormatSettings& Settings)
    : FLocal(FRawData),
      FFormatters(FRawData, Settings),
      FState{FRawData, [this](std::string_view Line) { return FFormatters.Evaluate(Line); }} {}

void TMonitorCore::SamplePass(bool Forced) {
  const std::lock_guard Lock(FRawData.Guard);
  FLocal.Sampler().SamplePass(FFormatters.ActiveFamilies(), Forced);
}

void TMonitorCore::CopyRecord(std::span<std::uint8_t, RawDataSize> Out) const {
  const std::lock_guard Lock(FRawData.Guard);
  const auto Bytes = RecordBytes(FRawData.Data);
  std::copy(Bytes.begin(), Bytes.end(), Out.begin());
}

void TMonitorCore::KeepStoredUptimes(TRegistry& Store) {
  TStoredUptimes Read = StoredUptimes();
  try {
    Read.Longest = ReadUptimeFigure(Store, "LongestUptime");
  } catch (const std::exception&) {
  }
  try {
    Read.Average = StoredAverageUptime(Store);
  } catch (const std::exception&) {
  }
  const std::lock_guard Lock(FUptimesLock);
  FUptimes = Read;
}

TStoredUptimes TMonitorCore::StoredUptimes() const {
  const std::lock_guard Lock(FUptimesLock);
  return FUptimes;
}

}  // namespace dravel
