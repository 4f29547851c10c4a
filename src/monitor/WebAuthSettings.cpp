#include "monitor/WebAuthSettings.h"

#include <string>

#include "monitor/StoredValues.h"

namespace dravel {

TWebAuthConfig ResolveWebAuth(TRegistry& Store) {
  TWebAuthConfig Config;
  Config.UsersFile = StoredText(Store, "WebServiceUsers");
  Config.AllowPlain = StoredBool(Store, "WebServiceAllowPlainAuth");
  const bool Https = !StoredText(Store, "WebServiceCert").empty() && !StoredText(Store, "WebServiceKey").empty();
  if (!Config.UsersFile.empty() && !Https && !Config.AllowPlain) {
    throw EWebAuthSettings(
        "WebServiceUsers needs HTTPS (WebServiceCert and WebServiceKey) unless WebServiceAllowPlainAuth is 1");
  }
  return Config;
}

}  // namespace dravel
