#pragma once
// Who may use the web service, as both roles read it: the stored "WebServiceUsers" (the
// users file) and "WebServiceAllowPlainAuth".

#include <stdexcept>

#include "service/BasicAuthGate.h"

namespace dravel {

class TRegistry;

class EWebAuthSettings : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws EWebAuthSettings when a users file is named but neither HTTPS ("WebServiceCert"
// and "WebServiceKey") nor plain credentials are set up. A stored value of another type
// counts as not stored.
TWebAuthConfig ResolveWebAuth(TRegistry& Store);

}  // namespace dravel
