#include "JsonLinesWriter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "JsonText.h"
#include "StatusMarkup.h"

namespace dravel {

std::string IsoLocalTime(std::chrono::system_clock::time_point Time) {
  const std::time_t Seconds = std::chrono::system_clock::to_time_t(Time);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  const long Offset = Local.tm_gmtoff / 60;  // minutes east of UTC
  const long Minutes = Offset < 0 ? -Offset : Offset;
  char Text[48];
  const int Length = std::snprintf(Text, sizeof Text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                                   Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday,
                                   Local.tm_hour, Local.tm_min, Local.tm_sec,
                                   Offset < 0 ? '-' : '+', Minutes / 60, Minutes % 60);
  return std::string(Text, static_cast<std::size_t>(std::max(Length, 0)));
}

void TJsonLinesWriter::Write(const TRefresh& Refresh, std::string& Out) const {
  Out += "{\"lines\":[";
  for (std::size_t I = 0; I < Refresh.Lines.size(); ++I) {
    if (I > 0) Out += ',';
    AppendJsonString(Out, TStatusLine(Refresh.Lines[I]).Text());
  }
  Out += "],\"time\":";
  AppendJsonString(Out, IsoLocalTime(Refresh.Time));
  Out += "}\n";
}

}  // namespace dravel
