#pragma once
// Whether the web service speaks HTTPS, as both roles read it: the stored
// "WebServiceCert" and "WebServiceKey", paths of PEM files. The files themselves are
// read when the service starts.

#include <optional>

#include "service/TlsContext.h"

namespace dravel {

class TRegistry;

// None when neither value is set (or both are empty): plain HTTP. Throws ETlsFiles, naming
// both values, when only one is. A stored value of another type counts as not stored.
std::optional<TTlsFiles> ResolveWebTls(TRegistry& Store);

}  // namespace dravel
