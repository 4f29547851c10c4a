#include "monitor/SettingsMigration.h"

#include <cstdint>

#include "monitor/ProgramSettings.h"
#include "monitor/UptimeRecords.h"
#include "platform/SettingsStore.h"

namespace dravel {

void MigrateSettings(TRegistry& Registry) {
  // An absent version counts as older than every step, so a fresh store runs them all.
  const int Version = Registry.ValueExists("Version") ? Registry.ReadInteger("Version") : 0;
  if (Version < 75) {
    Registry.CloseKey();
    Registry.DeleteKey(MainSettingsKey);
    Registry.OpenKey(MainSettingsKey, true);
  }
  if (Version < 78) {
    // The old integer record, widened with its sign to the 8-byte form.
    const std::int64_t Longest =
        Registry.ValueExists("LongestUptime") ? Registry.ReadInteger("LongestUptime") : 0;
    WriteUptimeFigure(Registry, "LongestUptime", Longest);
  }
  if (Version < 82) {
    Registry.DeleteValue("W");
    Registry.DeleteValue("H");
  }
}

}  // namespace dravel
