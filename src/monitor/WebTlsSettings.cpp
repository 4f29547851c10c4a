#include "monitor/WebTlsSettings.h"

#include <exception>
#include <string>

#include "platform/SettingsStore.h"

namespace dravel {

namespace {

std::string StoredText(TRegistry& Store, const char* Name) {
  try {
    if (Store.ValueExists(Name)) return Store.ReadString(Name);
  } catch (const std::exception&) {
  }
  return {};
}

}  // namespace

std::optional<TTlsFiles> ResolveWebTls(TRegistry& Store) {
  TTlsFiles Files{StoredText(Store, "WebServiceCert"), StoredText(Store, "WebServiceKey")};
  if (Files.Certificate.empty() && Files.Key.empty()) return std::nullopt;
  if (Files.Certificate.empty() || Files.Key.empty()) {
    const bool OnlyCertificate = Files.Key.empty();
    throw ETlsFiles(std::string(OnlyCertificate ? "WebServiceCert" : "WebServiceKey") + " is set but " +
                    (OnlyCertificate ? "WebServiceKey" : "WebServiceCert") +
                    " is not: the web service needs both for HTTPS");
  }
  return Files;
}

}  // namespace dravel
