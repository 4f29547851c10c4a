#pragma once
// --json: one object per refresh, one a line, for scripts: "lines" holds the rendered
// lines without markup and "time" the moment of the refresh (ISO 8601, local time with
// its offset from UTC).

#include <chrono>
#include <string>

#include "RefreshWriter.h"

namespace dravel {

class TJsonLinesWriter final : public TRefreshWriter {
 public:
  void Write(const TRefresh& Refresh, std::string& Out) const override;
};

// "2024-05-01T13:45:07+02:00" for Time in the local time zone.
std::string IsoLocalTime(std::chrono::system_clock::time_point Time);

}  // namespace dravel
