#pragma once
// The page a metrics scrape answers: every processor, memory, interface, file system and
// sensor by name, read from the platform at the moment of the scrape (not from the
// 312-byte record, which holds only four of each), with the uptime records beside them.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/MachineFigures.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Sensors.h"

namespace dravel {

// The uptime records as stored: the longest, and the average when runs were counted.
struct TStoredUptimes {
  std::int64_t Longest = 0;
  std::optional<std::int64_t> Average;
};

struct TMetricsSources {
  std::unique_ptr<IMachineFigures> Machine;
  std::unique_ptr<INetworkInterfaces> Network;
  std::unique_ptr<ISensors> Sensors;
  // Called once per scrape, on the scraping thread.
  std::function<TStoredUptimes()> UptimeRecords;
};

// This machine's sources; UptimeRecords is left to the owner.
TMetricsSources MachineMetricsSources();

class TMetricsPage {
 public:
  static constexpr const char* ContentType = "text/plain; version=0.0.4; charset=utf-8";

  TMetricsPage(TMetricsSources Sources, std::string Version);

  // The whole page. Scrapes from several threads take turns.
  std::string Scrape();

 private:
  std::mutex FLock;
  TMetricsSources FSources;
  const std::string FVersion;
};

}  // namespace dravel
