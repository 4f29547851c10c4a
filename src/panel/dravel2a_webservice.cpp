// The web service switch: "Act as Web Service", its port, and the start at set-up.
#include <QCoreApplication>
#include <QTimer>

#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "monitor/MonitorWeb.h"
#include "panel/dravel2a.h"
#include "platform/SettingsStore.h"
#include "monitor/NetworkAccess.h"
#include "monitor/WebAuthSettings.h"
#include "monitor/WebTlsSettings.h"
#include "remote/PortText.h"

namespace dravel {

namespace {

std::filesystem::path Executable() { return QCoreApplication::applicationFilePath().toStdString(); }

}  // namespace

bool TDravelDisplay::WebServiceActive() const { return FWebService && FWebService->Active(); }

std::string TDravelDisplay::StartWebService() {
  if (!FRawData || !FFormatters) {
    // Set-up runs this before the record and the formatters exist, and a call must never
    // reach them missing: the server starts once set-up is over.
    if (Exited()) return {};
    QTimer::singleShot(0, this, [this] {
      Guarded([this] {
        if (const std::string Error = StartWebService(); !Error.empty()) throw std::runtime_error(Error);
      });
    });
    return {};
  }
  if (!FWebService) {
    // "<executable without extension>_WSDLADMIN.INI", or the same name beside the
    // settings store when the executable's folder cannot be written.
    FWebService = std::make_unique<TMonitorWeb>(
        *FCore, PortListFileName(Executable()),
        PortListInFolder(Executable(), TRegistry::DefaultStorePath().parent_path()));
  }
  try {
    FWebService->SetAccess(ResolveNetworkAccess(*SettingsRegistry, CommandLine.Listen, CommandLine.Allow));
    FWebService->SetTls(ResolveWebTls(*SettingsRegistry));
    // Runs on a worker thread of the service: standard error, not a dialog.
    FWebService->SetAuth(ResolveWebAuth(*SettingsRegistry),
                         [](const std::string& Line) { std::cerr << Line << '\n'; });
  } catch (const EAddressText& Error) {
    return Error.what();
  } catch (const ETlsFiles& Error) {
    return Error.what();
  } catch (const EWebAuthSettings& Error) {
    return Error.what();
  }
  return FWebService->Start(FWebServicePort);
}

void TDravelDisplay::StopWebService() {
  if (FWebService) FWebService->Stop();
}

void TDravelDisplay::RestartWebService() {
  if (!WebServiceActive()) return;
  StopWebService();
  // As the switch: a service that cannot start again leaves the item ticked.
  if (const std::string Error = StartWebService(); !Error.empty()) throw std::runtime_error(Error);
}

void TDravelDisplay::RestoreWebService() {
  TRegistry& Registry = *SettingsRegistry;
  if (Registry.ValueExists("WebServicePort")) {
    const auto Port = PortFromText(std::to_string(Registry.ReadInteger("WebServicePort")));
    if (Port) FWebServicePort = *Port;
  }
  if (!Registry.ValueExists("WebService") || !Registry.ReadBool("WebService")) return;
  if (ActasWebService) ActasWebService->setChecked(true);
  if (const std::string Error = StartWebService(); !Error.empty()) throw std::runtime_error(Error);
}

void TDravelDisplay::ActasWebService1Click() {
  SetTimerEnabled(false);
  // A bind or settings error is shown; the timer runs again on every path.
  Guarded([this] {
    const bool Checked = !ActasWebService->isChecked();
    ActasWebService->setChecked(Checked);
    if (!Checked) {
      StopWebService();  // "WebService" stays as stored
      return;
    }
    std::string PortText = std::to_string(FWebServicePort);
    const std::string Prompt =
        "USe this port to connect to the web serveice, e.g: http://localhost:" + PortText + "/wsdl/IVantorWS";
    if (!Prompter().InputQuery("Web Service Port", Prompt, PortText)) {
      ActasWebService->setChecked(false);
      StopWebService();
      return;
    }
    StopWebService();
    if (const auto Port = PortFromText(PortText)) FWebServicePort = *Port;
    // A port that cannot be bound: the item stays ticked and nothing is stored.
    if (const std::string Error = StartWebService(); !Error.empty()) throw std::runtime_error(Error);
    SettingsRegistry->WriteInteger("WebServicePort", FWebServicePort);
    SettingsRegistry->WriteBool("WebService", true);
  });
  SetTimerEnabled(true);
}

}  // namespace dravel
