#pragma once
// The web service over a monitoring core: SOAP and the WSDL pages from the core's record
// and formatters, and "/metrics" from this machine's figures with the core's uptime
// records.

#include <cstdint>
#include <filesystem>
#include <string>

#include "monitor/MonitorCore.h"
#include "service/IndyApp.h"
#include "service/MetricsPage.h"

namespace dravel {

class TMonitorWeb {
 public:
  // The port list file is PortListPrimary, or PortListFallback where that cannot be
  // written. Core outlives the service.
  TMonitorWeb(const TMonitorCore& Core, std::filesystem::path PortListPrimary,
              std::filesystem::path PortListFallback);

  // Empty on success, else the error text.
  std::string Start(std::uint16_t Port) { return FApplication.Start(Port); }
  // The address and the peers of the next Start.
  void SetAccess(TListenAccess Access) { FApplication.SetAccess(std::move(Access)); }
  // Who may use the service from the next Start on; Log hears of a users file turning bad.
  void SetAuth(TWebAuthConfig Config, TBasicAuthGate::TLog Log) {
    FApplication.SetAuth(std::move(Config), std::move(Log));
  }
  // HTTPS with these files from the next Start on (see ResolveWebTls); none: plain HTTP.
  void SetTls(std::optional<TTlsFiles> Files) { FApplication.SetTls(std::move(Files)); }
  const std::optional<TTlsFiles>& Tls() const { return FApplication.Tls(); }
  void Stop() { FApplication.Stop(); }
  bool Active() const { return FApplication.Active(); }
  std::uint16_t Port() const { return FApplication.Port(); }

 private:
  TMetricsPage FMetrics;
  TWebApplication FApplication;  // last: its threads stop before the page goes
};

// "<Executable without extension>_WSDLADMIN.INI", and the same name in Folder.
std::filesystem::path PortListInFolder(const std::filesystem::path& Executable,
                                       const std::filesystem::path& Folder);

}  // namespace dravel
