#pragma once
// dravelfmt --record: TEXT evaluated against a record read from a file, as a client
// evaluates its text against a server's record.

#include <functional>
#include <iosfwd>
#include <string>

namespace dravel {

class TRawDataShell;

// Reads one record from Path ("-": StandardInput) and feeds it to Shell as received bytes,
// which calls OnRecord once. Returns 0, or 2 with a message on Err when the file cannot be
// read, is not 312 bytes long or does not begin with "W".
int RunRecord(const std::string& Path, std::istream& StandardInput, TRawDataShell& Shell,
              const std::function<void()>& OnRecord, std::ostream& Err);

}  // namespace dravel
