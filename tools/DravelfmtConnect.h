#pragma once
// dravelfmt's --connect mode: the client role of the monitoring link without a window.
// It asks a running server for its record every interval and hands each good record to
// the caller, which evaluates its text against it. With a count it ends at the first
// fault; a stream without one (count 0) outlives a lost link as the panel's client does:
// it shows the last lines again each interval and tries to reconnect.

#include <functional>
#include <iosfwd>
#include <string>

namespace dravel {

class TRawDataShell;

struct TConnectRequest {
  std::string Target;    // "HOST" or "HOST:PORT" (port 6130 when not given)
  std::string Password;  // used as typed; empty for a link in clear
  bool Secure = false;   // the authenticated mode (the password proven both ways)
  int IntervalMs = 2000;
  int Count = 1;         // records to show; 0 goes on until Stopping
  // For a stream: becomes readable when the run is to end (-1: none), and is asked each
  // interval whether the run is to end.
  int WakeDescriptor = -1;
  std::function<bool()> Stopping;
};

// False when this build has no link client (built without Qt).
bool ConnectAvailable();

// Runs the exchange, filling Shell and calling OnRecord once per good record (and, in a
// stream, once per interval while the link is down, over the last record). Returns 0 after
// Count records or when a stream stops; 2, with a message on Err, when the target is
// malformed, no readable record arrives (a wrong password), the server refuses the
// password (authenticated mode), or, with a count, when the connection fails or ends. A stream reports a lost link and its return on Err.
int RunConnect(const TConnectRequest& Request, TRawDataShell& Shell,
               const std::function<void()>& OnRecord, std::ostream& Err);

}  // namespace dravel
