#include "sampling/LocalSampler.h"

namespace dravel {

TLocalSampler::TLocalSampler(TRawDataShell& Shell)
    : FPerfData(MakePerfDataSource()),
      FSystem(MakeSystemInfo()),
      FSampler(Shell, *FPerfData, *FSystem, FMBM) {}

}  // namespace dravel
