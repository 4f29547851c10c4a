// One sampling pass over this machine with every family of figures active, the query
// buffer reused from pass to pass: a normal pass (the host block's slow part runs only
// every tenth pass) and a forced pass (addresses and a drive measured every time).

#include <benchmark/benchmark.h>

#include "sampling/LocalSampler.h"

namespace dravel {
namespace {

constexpr TActiveFamilies Everything{true, true, true, true, true, true};

void SamplePasses(benchmark::State& State, bool Forced) {
  TRawDataShell Shell;
  Shell.Data.Drives[0].Letter = 'C';
  TLocalSampler Local(Shell);
  TSampler& Sampler = Local.Sampler();
  Sampler.SamplePass(Everything, true);  // buffer sizes settle, names are fetched
  Sampler.SamplePass(Everything, false);
  for (auto _ : State) {
    Sampler.SamplePass(Everything, Forced);
    benchmark::DoNotOptimize(Shell.Data);
  }
}

void BM_SamplePass(benchmark::State& State) { SamplePasses(State, false); }
void BM_SamplePassWithHostBlock(benchmark::State& State) { SamplePasses(State, true); }

BENCHMARK(BM_SamplePass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SamplePassWithHostBlock)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace dravel

BENCHMARK_MAIN();
