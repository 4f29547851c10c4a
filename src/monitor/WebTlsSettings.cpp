#include "monitor/WebTlsSettings.h"

#include <string>

#include "monitor/StoredValues.h"

namespace dravel {

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
