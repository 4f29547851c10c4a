#pragma once
// The secure link settings both server roles read from their store: the salt "LinkSalt"
// (binary, 16 bytes), made on first need and made again when the stored value is of another
// type or size, and "LinkSecureOnly" (bool), which the command line may override.

#include <optional>

#include "remote/SecureServerSession.h"

namespace dravel {

class TRegistry;

// A salt that cannot be stored is used for this run only: clients derive their key for
// each connection, so nothing but the server's own derivation depends on it lasting.
TSecureLinkSettings ResolveSecureLinkSettings(TRegistry& Store, std::optional<bool> SecureOnly = std::nullopt);

}  // namespace dravel
