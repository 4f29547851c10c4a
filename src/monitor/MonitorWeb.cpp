#include "monitor/MonitorWeb.h"

#include "monitor/ProgramSettings.h"
#include "service/MetricsRoute.h"

namespace dravel {

namespace {

TMetricsSources SourcesOver(const TMonitorCore& Core) {
  TMetricsSources Sources = MachineMetricsSources();
  Sources.UptimeRecords = [&Core] { return Core.StoredUptimes(); };
  return Sources;
}

}  // namespace

TMonitorWeb::TMonitorWeb(const TMonitorCore& Core, std::filesystem::path PortListPrimary,
                         std::filesystem::path PortListFallback)
    : FMetrics(SourcesOver(Core), std::to_string(ProgramVersionNumber)),
      FApplication(Core.ServiceState(), std::move(PortListPrimary), std::move(PortListFallback),
                   [this](const THttpRequest& Request) { return ServeMetrics(Request, FMetrics); }) {}

std::filesystem::path PortListInFolder(const std::filesystem::path& Executable,
                                       const std::filesystem::path& Folder) {
  return Folder / PortListFileName(Executable).filename();
}

}  // namespace dravel
