#include "server/DravelServer.h"

#include <exception>

#include "formatter/FormatSettings.h"
#include "monitor/NetworkAccess.h"
#include "monitor/ProgramSettings.h"
#include "monitor/SecureLinkSettings.h"
#include "monitor/SettingsMigration.h"
#include "monitor/UptimeRecords.h"
#include "monitor/WebAuthSettings.h"
#include "monitor/WebTlsSettings.h"
#include "platform/SettingsStore.h"
#include "remote/PortText.h"

namespace dravel {

namespace {

std::optional<int> StoredInteger(TRegistry& Store, const char* Name) {
  try {
    if (Store.ValueExists(Name)) return Store.ReadInteger(Name);
  } catch (const std::exception&) {
    // A value of another type counts as not stored.
  }
  return std::nullopt;
}

}  // namespace

TServerSettings ResolveServerSettings(TRegistry& Store, const TServerOptions& Options) {
  TServerSettings Settings;
  if (const auto Port = StoredInteger(Store, "ServPort"); Port && *Port >= 1 && *Port <= 65535) {
    Settings.LinkPort = static_cast<std::uint16_t>(*Port);
  }
  if (const auto Port = StoredInteger(Store, "WebServicePort"); Port && *Port >= 1 && *Port <= 65535) {
    Settings.WebPort = static_cast<std::uint16_t>(*Port);
  }
  if (const auto Interval = StoredInteger(Store, "Interval"); Interval && *Interval > 0) {
    Settings.Interval = *Interval;
  }
  try {
    Settings.Password = Store.ReadString("Password");
  } catch (const std::exception&) {
  }
  if (Options.LinkPort) Settings.LinkPort = *Options.LinkPort;
  if (Options.WebPort) Settings.WebPort = *Options.WebPort;
  if (Options.Interval) Settings.Interval = *Options.Interval;
  if (Options.PasswordFile) Settings.Password = ReadPasswordFile(*Options.PasswordFile);
  try {
    Settings.Access = ResolveNetworkAccess(Store, Options.Listen, Options.Allow);
    Settings.WebAuth = ResolveWebAuth(Store);
  } catch (const EAddressText& Error) {
    throw EServerOptions(std::string("dravel: ") + Error.what());
  } catch (const EWebAuthSettings& Error) {
    throw EServerOptions(std::string("dravel: ") + Error.what());
  }
  Settings.Secure = ResolveSecureLinkSettings(Store, Options.SecureOnly ? std::optional(true) : std::nullopt);
  return Settings;
}

TDravelServer::TDravelServer(TServerOptions Options, std::filesystem::path Executable,
                             std::function<void(const std::string&)> Log)
    : FOptions(std::move(Options)),
      FExecutable(std::move(Executable)),
      FLog(std::move(Log)),
      FCore(FormatSettingsFromLocale()) {
  // A server has no format text: every family is sampled and every tag evaluated.
  for (TFormatter* Formatter : FCore.Formatters().All()) Formatter->SetActive(true);
  connect(&FTimer, &QTimer::timeout, this, &TDravelServer::Tick);
}

TDravelServer::~TDravelServer() { Stop(); }

void TDravelServer::OpenStore() {
  FStore = FOptions.SettingsFile ? std::make_unique<TRegistry>(*FOptions.SettingsFile)
                                 : std::make_unique<TRegistry>();
  if (!FStore->RecoveryNotice().empty()) FLog("dravel: " + FStore->RecoveryNotice());
  try {
    FStore->OpenKey(MainSettingsKey, true);
    MigrateSettings(*FStore);
    FStore->WriteInteger("Version", SettingsVersion);
  } catch (const std::exception& Error) {
    FLog(std::string("dravel: settings: ") + Error.what());
  }
}

std::string TDravelServer::Start() {
  OpenStore();
  try {
    FSettings = ResolveServerSettings(*FStore, FOptions);
  } catch (const EServerOptions& Error) {
    return Error.what();
  }
  FPassword = FSettings.Password;
  FCore.KeepStoredUptimes(*FStore);
  if (std::string Error = MoveLink(FSettings.LinkPort); !Error.empty()) return Error;
  if (std::string Error = MoveWeb(FSettings.WebPort, FSettings.WebAuth); !Error.empty()) {
    FLink.reset();
    return Error;
  }
  FCore.Local().Sampler().SetInterval(static_cast<std::uint32_t>(FSettings.Interval));
  Tick();
  FTimer.start(FSettings.Interval);
  FLog("dravel: server started, " + Describe());
  return {};
}

std::string TDravelServer::MoveLink(std::uint16_t Port) {
  if (Port == 0) {
    FLink.reset();
    return {};
  }
  if (FLink && FLink->Port() == Port) {
    FLink->SetAccess(FSettings.Access);  // the allow-list at once; the address with the next port
    if (!FPassword.empty()) DeriveLinkKey(FCipher, FPassword);
    FLink->SetSecure(FSettings.Secure);  // derives the key again for a new password
    return {};
  }
  TLinkServerEvents Events;
  Events.CurrentRecord = [this](TRecordBytes& Out) { FCore.CopyRecord(Out); };
  Events.OnListen = [this] {
    if (!FPassword.empty()) DeriveLinkKey(FCipher, FPassword);
  };
  Events.OnSecureKeyError = [this](const std::string& Why) { FLog("dravel: secure link key: " + Why); };
  // The new port is bound before the old one closes, so a failure keeps the old one.
  auto Link = std::make_unique<TLinkServer>(FCipher, FPassword, std::move(Events));
  Link->SetPort(Port);
  Link->SetAccess(FSettings.Access);
  Link->SetSecure(FSettings.Secure);
  try {
    Link->Open();
  } catch (const std::exception& Error) {
    return "dravel: cannot listen on link port " + std::to_string(Port) + ": " + Error.what();
  }
  FLink = std::move(Link);
  return {};
}

std::string TDravelServer::MoveWeb(std::uint16_t Port, const TWebAuthConfig& Auth) {
  if (Port == 0) {
    FWeb.reset();
    return {};
  }
  const auto Failed = [Port](const std::string& Error) {
    return "dravel: cannot listen on web port " + std::to_string(Port) + ": " + Error;
  };
  std::optional<TTlsFiles> Tls;
  try {
    Tls = ResolveWebTls(*FStore);
  } catch (const ETlsFiles& Error) {
    return Failed(Error.what());
  }
  if (FWeb && FWeb->Port() == Port) {
    if (FWeb->Tls() == Tls && FWebAuth == Auth) return {};
    // Another scheme, other files or other users on the same port: the port must be let
    // go first, and on failure the service comes back as it was.
    const std::optional<TTlsFiles> Before = FWeb->Tls();
    FWeb->SetTls(Tls);
    FWeb->SetAuth(Auth, FLog);
    if (std::string Error = FWeb->Start(Port); !Error.empty()) {
      FWeb->SetTls(Before);
      FWeb->SetAuth(FWebAuth, FLog);
      if (!FWeb->Start(Port).empty()) FWeb.reset();
      return Failed(Error);
    }
    FWebAuth = Auth;
    return {};
  }
  const std::filesystem::path Folder =
      (FOptions.SettingsFile ? std::filesystem::path(*FOptions.SettingsFile) : TRegistry::DefaultStorePath())
          .parent_path();
  auto Web = std::make_unique<TMonitorWeb>(FCore, PortListFileName(FExecutable), PortListInFolder(FExecutable, Folder));
  Web->SetAccess(FSettings.Access);
  Web->SetTls(std::move(Tls));
  Web->SetAuth(Auth, FLog);
  if (std::string Error = Web->Start(Port); !Error.empty()) return Failed(Error);
  FWeb = std::move(Web);
  FWebAuth = Auth;
  return {};
}

void TDravelServer::Reload() {
  if (FStopped) return;
  TServerSettings Next;
  try {
    Next = ResolveServerSettings(*FStore, FOptions);
  } catch (const std::exception& Error) {
    FLog(std::string(Error.what()) + "; the settings before stay");
    return;
  }
  FPassword = Next.Password;
  FSettings.Access = Next.Access;
  FSettings.Secure = Next.Secure;
  for (const std::string& Error : {MoveLink(Next.LinkPort), MoveWeb(Next.WebPort, Next.WebAuth)}) {
    if (!Error.empty()) FLog(Error + "; the listener before stays");
  }
  FSettings = Next;
  FSettings.LinkPort = LinkPort();
  FSettings.WebPort = WebPort();
  FCore.Local().Sampler().SetInterval(static_cast<std::uint32_t>(FSettings.Interval));
  FTimer.start(FSettings.Interval);
  FLog("dravel: settings reloaded, " + Describe());
}

void TDravelServer::Tick() {
  try {
    FCore.SamplePass(false);
  } catch (const std::exception& Error) {
    FLog(std::string("dravel: sampling: ") + Error.what());
  }
}

void TDravelServer::Stop() {
  if (FStopped || !FStore) return;
  FStopped = true;
  FTimer.stop();
  FLink.reset();
  FWeb.reset();
  try {
    SaveUptimeAtExit(*FStore, FCore.Local().Sampler().CurrentUptime());
  } catch (const std::exception& Error) {
    FLog(std::string("dravel: uptime records: ") + Error.what());
  }
  FLog("dravel: server stopped");
}

std::string TDravelServer::Describe() const {
  const auto Port = [](std::uint16_t Number) { return Number ? std::to_string(Number) : std::string("off"); };
  return "link port " + Port(LinkPort()) + (FPassword.empty() ? "" : " (encrypted)") +
         (FSettings.Secure.SecureOnly ? " (secure only)" : "") + ", web port " +
         Port(WebPort()) + (FWeb && FWeb->Tls() ? " (https)" : "") + ", interval " +
         std::to_string(FSettings.Interval) + " ms";
}

}  // namespace dravel
