#pragma once
// The web service as the panel drives it: the HTTP server, the bridge that turns each
// HTTP request into a web request, the limit of 32 requests inside the web module at
// once, and the web module itself.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "service/BasicAuthGate.h"
#include "service/IndyHTTP.h"
#include "service/SOAPIndyWM.h"
#include "service/PortListFile.h"

namespace dravel {

// The web request the module sees: the path without the query, the Host header, and the
// body followed by CR LF and the query when the request had one.
TWebRequest ToWebRequest(const THttpRequest& Request);

// A path served beside the web module: an answer, or none to leave the request to it.
using TWebRoute = std::function<std::optional<TWebResponse>(const THttpRequest&)>;

class TWebApplication {
 public:
  static constexpr int MaxActiveRequests = 32;
  static constexpr std::uint16_t DefaultPort = 61300;

  // PortListPrimary is PortListFileName(executable); PortListFallback is used when the
  // executable's folder cannot be written (a file in the settings folder).
  TWebApplication(const TServiceState& State, std::filesystem::path PortListPrimary,
                  std::filesystem::path PortListFallback, TWebRoute Route = {});

  // Empty on success, else the error text to show ("Could not bind socket. Address and
  // port are already in use." when the port is taken, or what is wrong with the users
  // file). On success the port list file's own entries follow the port and the scheme
  // now served.
  std::string Start(std::uint16_t Port);
  // The address and the peers of the next Start.
  void SetAccess(TListenAccess Access) { FServer.SetAccess(std::move(Access)); }
  // HTTPS with these files from the next Start on; none: plain HTTP.
  void SetTls(std::optional<TTlsFiles> Files) { FServer.SetTls(std::move(Files)); }
  const std::optional<TTlsFiles>& Tls() const { return FServer.Tls(); }
  // Who may use the service from the next Start on; Log hears of a users file that
  // turns unusable while running.
  void SetAuth(TWebAuthConfig Config, TBasicAuthGate::TLog Log) {
    FAuth = std::move(Config);
    FAuthLog = std::move(Log);
  }
  // Ends every connection and waits for their threads.
  void Stop() { FServer.Stop(); }
  bool Active() const { return FServer.Active(); }
  std::uint16_t Port() const { return FServer.Port(); }

  // One request through the web layer, on the caller's thread.
  TWebResponse HandleRequest(const THttpRequest& Request);
  // Requests inside the web layer now.
  int ActiveRequests() const { return FActiveRequests; }

 private:
  TPortListFile FPortList;
  TwmSOAPIndy FModule;
  const TWebRoute FRoute;
  TWebAuthConfig FAuth;
  TBasicAuthGate::TLog FAuthLog;
  std::unique_ptr<TBasicAuthGate> FGate;  // replaced only while the server is stopped
  std::atomic<int> FActiveRequests{0};
  TIndyHTTPServer FServer;  // last: its threads stop before the rest goes
};

}  // namespace dravel
