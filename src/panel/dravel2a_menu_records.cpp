// The uptime records: the Average Uptime and Longest Uptime commands and the update
// the exit sequence makes.
#include "formatter/UTPFormat.h"
#include "panel/dravel2a_menu_support.h"
#include "monitor/UptimeRecords.h"

namespace dravel {

namespace {

std::string UptimeText(const std::string& Title, const std::string& Pattern, std::int64_t Seconds) {
  std::string Figure;
  TUTPFormat::UpTimeSubFormat(Pattern, false, Figure, Seconds);
  return Title + "\r\n" + Figure;
}

}  // namespace

void TDravelDisplay::LongestUptime1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    const std::int64_t Longest = LongestUptime(*SettingsRegistry, CurrentUptime());
    Prompter().InformationBox(UptimeText("Longest Uptime for this system is:", UptimeFormat, Longest),
                              "Information");
  });
}

void TDravelDisplay::AverageUptime1Click() {
  const TTimerPause Pause(*this);
  Guarded([this] {
    const std::int64_t Average = AverageUptime(*SettingsRegistry, CurrentUptime());
    Prompter().InformationBox(UptimeText("Average Uptime:", UptimeFormat, Average), "Information");
  });
}

void TDravelDisplay::SaveUptimeRecords() { SaveUptimeAtExit(*SettingsRegistry, CurrentUptime()); }

}  // namespace dravel
