#include "sampling/LocalSampler.h"

namespace dravel {

TLocalSampler::TLocalSampler(TRawDataShell& Shell)
    : FPerfData(MakePerfDataSource()),
      FSystem(MakeSystemInfo()),
      FSampler(Shell, *FPerfData, *FSystem, FMBM) {}

void TLocalSampler::Choose(const TMeasuringChoice& Choice) {
  FSampler.SetAdapters(Choice.Adapters);
  FMBM.SetSensorChoice(Choice.Sensors);
}

}  // namespace dravel
