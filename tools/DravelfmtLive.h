#pragma once
// dravelfmt's local mode: samples this machine as the panel's timer does, without a
// window. One pass, one interval's wait, then one pass per refresh, so the first
// refresh's rates already cover a whole interval.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "sampling/ActiveFamilies.h"

namespace dravel {

class TRawDataShell;

struct TLiveRequest {
  int IntervalMs = 1000;
  int Count = 1;               // refreshes to show; 0 goes on until interrupted
  std::string ExcludeText;     // the process-exclusion list, as the settings value holds it
  std::vector<std::string> Adapters;  // the interfaces for adapter slots 1-4 (code page 1252)
  std::string DumpRecordPath;  // when not empty: the record after the last refresh
  // The wait between passes; returning false ends the run early (the record is still
  // dumped). Empty: a plain sleep.
  std::function<bool(std::chrono::steady_clock::time_point Until)> WaitUntil;
};

// Fills Shell and calls OnPass after every pass: Refresh false after the first pass
// (evaluating then lets drive-space tags claim their slots), true for each refresh to
// show. Returns 0, or 2 with a message on Err when the system's figures cannot be read
// or the record cannot be written.
int RunLive(const TLiveRequest& Request, const TActiveFamilies& Active, TRawDataShell& Shell,
            const std::function<void(bool Refresh)>& OnPass, std::ostream& Err);

}  // namespace dravel
