#pragma once
// The monitoring core that the panel and the headless server both own: the one record
// holder with its guard, the six formatters over it, this machine's sampler, and the
// uptime records as stored. Qt-free.

#include <cstdint>
#include <mutex>
#include <span>

#include "formatter/FormatterRegistry.h"
#include "sampling/LocalSampler.h"
#include "sampling/RawData.h"
#include "service/MetricsPage.h"
#include "service/VantorImpl.h"

namespace dravel {

class TRegistry;

class TMonitorCore {
 public:
  explicit TMonitorCore(const TFormatSettings& Settings);
  TMonitorCore(const TMonitorCore&) = delete;
  TMonitorCore& operator=(const TMonitorCore&) = delete;

  TRawDataShell& RawData() { return FRawData; }
  TFormatterRegistry& Formatters() { return FFormatters; }
  TLocalSampler& Local() { return FLocal; }
  // The record guard (see TRawDataShell::Guard).
  std::mutex& Guard() const { return FRawData.Guard; }

  // One sampling pass of the active families, under the guard; the sampler's errors
  // pass to the caller.
  void SamplePass(bool Forced);
  // The record as it stands, copied under the guard: a link reply.
  void CopyRecord(std::span<std::uint8_t, RawDataSize> Out) const;
  // What the web service's operations read.
  const TServiceState& ServiceState() const { return FState; }

  // The uptime records of Store's open key, kept for the metrics (which are read on the
  // web service's threads, away from the store); a value that cannot be read leaves the
  // figure kept before.
  void KeepStoredUptimes(TRegistry& Store);
  TStoredUptimes StoredUptimes() const;

 private:
  TRawDataShell FRawData;
  TLocalSampler FLocal;
  TFormatterRegistry FFormatters;
  const TServiceState FState;
  mutable std::mutex FUptimesLock;
  TStoredUptimes FUptimes;
};

}  // namespace dravel
