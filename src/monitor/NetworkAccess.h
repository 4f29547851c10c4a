#pragma once
// Where both servers listen and whom they let in, as both roles read it: the stored
// "ListenAddress" and "AllowFrom", each replaced by its command-line value when given.

#include <optional>
#include <string>

#include "platform/AddressFilter.h"

namespace dravel {

class TRegistry;

// Throws EAddressText whose text names the value or the option ("--listen", "--allow")
// that is malformed. A stored value of another type counts as not stored.
TListenAccess ResolveNetworkAccess(TRegistry& Store, const std::optional<std::string>& Listen,
                                   const std::optional<std::string>& Allow);

}  // namespace dravel
