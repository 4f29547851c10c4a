#pragma once
// dravelfmt's --connect mode: the client role of the monitoring link without a window.
// It asks a running server for its record every interval and hands each good record to
// the caller, which evaluates its text against it.

#include <functional>
#include <iosfwd>
#include <string>

namespace dravel {

class TRawDataShell;

struct TConnectRequest {
  std::string Target;    // "HOST" or "HOST:PORT" (port 6130 when not given)
  std::string Password;  // used as typed; empty for a link in clear
  int IntervalMs = 2000;
  int Count = 1;         // records to show; 0 goes on until the link ends
};

// False when this build has no link client (built without Qt).
bool ConnectAvailable();

// Runs the exchange, filling Shell and calling OnRecord once per good record. Returns 0
// after Count records; 2, with a message on Err, when the target is malformed, the
// connection fails or ends, or no readable record arrives in time.
int RunConnect(const TConnectRequest& Request, TRawDataShell& Shell,
               const std::function<void()>& OnRecord, std::ostream& Err);

}  // namespace dravel
