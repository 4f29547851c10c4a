// One metrics scrape of this machine: every processor, interface, file system and sensor
// read and written as the text format, and the same page gzip-compressed.

#include <benchmark/benchmark.h>

#include "service/MetricsPage.h"
#include "service/MetricsRoute.h"

namespace dravel {
namespace {

void BM_MetricsScrape(benchmark::State& State) {
  TMetricsPage Page(MachineMetricsSources(), "87");
  for (auto _ : State) benchmark::DoNotOptimize(Page.Scrape());
}

void BM_MetricsScrapeGzip(benchmark::State& State) {
  TMetricsPage Page(MachineMetricsSources(), "87");
  const THttpRequest Request{"GET", "/metrics", "localhost", "gzip", ""};
  for (auto _ : State) benchmark::DoNotOptimize(ServeMetrics(Request, Page));
}

BENCHMARK(BM_MetricsScrape)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_MetricsScrapeGzip)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace dravel
