#pragma once
// The sampler wired to this machine: the system's performance data and figures, and the
// sensor reader with its interface library beside the executable.

#include <memory>

#include "platform/PerfData.h"
#include "platform/SystemInfo.h"
#include "sampling/MBMReader.h"
#include "sampling/MeasuringChoice.h"
#include "sampling/Sampler.h"

namespace dravel {

class TLocalSampler {
 public:
  explicit TLocalSampler(TRawDataShell& Shell);
  TLocalSampler(const TLocalSampler&) = delete;
  TLocalSampler& operator=(const TLocalSampler&) = delete;

  TSampler& Sampler() { return FSampler; }
  TMBMReader& MBM() { return FMBM; }
  // The adapters and sensors the slots show from the next pass on.
  void Choose(const TMeasuringChoice& Choice);

 private:
  const std::unique_ptr<IPerfDataSource> FPerfData;
  const std::unique_ptr<ISystemInfo> FSystem;
  TMBMReader FMBM;
  TSampler FSampler;
};

}  // namespace dravel
