#pragma once

namespace dravel {

class TRegistry;

// Brings the main key, open in Store, to the current layout: a store older than layout
// 75 (or without a version) starts afresh, the longest uptime becomes an 8-byte figure
// (78), a stored window size is dropped (82). Does not write the version.
void MigrateSettings(TRegistry& Store);

}  // namespace dravel
