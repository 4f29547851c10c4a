#pragma once
// The headless server role: one monitoring core sampled on a timer, the link server and
// the web service over it, the settings store, and one line on standard error per start,
// stop, listen failure and reload. Qt Core and Network only.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "monitor/MonitorCore.h"
#include "monitor/MonitorWeb.h"
#include "remote/LinkCipher.h"
#include "remote/LinkServer.h"
#include "server/ServerOptions.h"

namespace dravel {

class TRegistry;

// What the server runs with: the stored values overridden by the command line.
struct TServerSettings {
  std::uint16_t LinkPort = DefaultLinkPortNumber;  // 0: off
  std::uint16_t WebPort = 61300;                   // 0: off
  int Interval = 1000;                             // milliseconds
  std::string Password;
  TListenAccess Access;  // both listeners'
  TSecureLinkSettings Secure;
  TWebAuthConfig WebAuth;
};

// "ServPort", "WebServicePort", "Interval", "Password", "ListenAddress", "AllowFrom",
// "LinkSalt" (made when missing), "LinkSecureOnly", "WebServiceUsers" and
// "WebServiceAllowPlainAuth" of Store's open key (values out of range are ignored), then
// Options over them. Throws EServerOptions when the password file cannot be read, an
// address value is malformed or the users need HTTPS.
TServerSettings ResolveServerSettings(TRegistry& Store, const TServerOptions& Options);

class TDravelServer : public QObject {
  Q_OBJECT

 public:
  // Log receives each log line (without its line end). Executable names the port list
  // file of the web service.
  TDravelServer(TServerOptions Options, std::filesystem::path Executable,
                std::function<void(const std::string&)> Log);
  ~TDravelServer() override;

  // Opens the store, reads the settings and starts listening and sampling. Empty on
  // success, else the line that says what could not listen (nothing then runs).
  std::string Start();
  // Re-reads the settings and the password file; a listener that cannot move to its new
  // port keeps the old one.
  void Reload();
  // Stops listening and sampling and saves the uptime records; runs once.
  void Stop();

  const TServerSettings& Settings() const { return FSettings; }
  std::uint16_t LinkPort() const { return FLink ? FLink->Port() : 0; }
  std::uint16_t WebPort() const { return FWeb ? FWeb->Port() : 0; }

 private:
  void OpenStore();
  // Empty, or what failed. On failure the listener before stays as it was.
  std::string MoveLink(std::uint16_t Port);
  std::string MoveWeb(std::uint16_t Port, const TWebAuthConfig& Auth);
  void Tick();
  std::string Describe() const;

  const TServerOptions FOptions;
  const std::filesystem::path FExecutable;
  const std::function<void(const std::string&)> FLog;
  std::unique_ptr<TRegistry> FStore;
  TMonitorCore FCore;
  TServerSettings FSettings;
  TDCP_blowfish FCipher;
  std::string FPassword;  // what the link server encrypts with
  std::unique_ptr<TLinkServer> FLink;
  std::unique_ptr<TMonitorWeb> FWeb;
  TWebAuthConfig FWebAuth;  // what FWeb runs with
  QTimer FTimer;
  bool FStopped = false;
};

}  // namespace dravel
