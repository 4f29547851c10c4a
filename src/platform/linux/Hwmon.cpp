#include "platform/linux/Hwmon.h"

#include <dirent.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/linux/FileText.h"

namespace dravel {
namespace {

// The numbers N of the entries of Folder named Prefix N Suffix, in order.
std::vector<unsigned> NumberedEntries(const std::string& Folder, std::string_view Prefix,
                                      std::string_view Suffix) {
  std::vector<unsigned> Numbers;
  const std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir(Folder.c_str()), ::closedir);
  if (!Dir) return Numbers;
  while (const dirent* Entry = ::readdir(Dir.get())) {
    std::string_view Name(Entry->d_name);
    if (!Name.starts_with(Prefix) || !Name.ends_with(Suffix)) continue;
    Name = Name.substr(Prefix.size(), Name.size() - Prefix.size() - Suffix.size());
    unsigned Number = 0;
    const auto [End, Error] = std::from_chars(Name.data(), Name.data() + Name.size(), Number);
    if (!Name.empty() && Error == std::errc{} && End == Name.data() + Name.size()) {
      Numbers.push_back(Number);
    }
  }
  std::sort(Numbers.begin(), Numbers.end());
  return Numbers;
}

std::optional<std::int64_t> ReadNumber(const std::string& Path) {
  std::string Text;
  if (!ReadTextFile(Path, Text)) return std::nullopt;
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
  std::int64_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Text.empty() || Error != std::errc{} || End != Text.data() + Text.size()) return std::nullopt;
  return Value;
}

void Collect(const std::string& Device, std::string_view Kind, std::size_t Most,
             std::int64_t Divisor, std::vector<std::int32_t>& Out) {
  for (const unsigned Number : NumberedEntries(Device, Kind, "_input")) {
    if (Out.size() >= Most) return;
    const auto Value =
        ReadNumber(Device + "/" + std::string(Kind) + std::to_string(Number) + "_input");
    if (!Value) continue;
    // Rounded to the nearest whole unit.
    const std::int64_t Half = (*Value < 0 ? -Divisor : Divisor) / 2;
    const std::int64_t Whole = (*Value + Half) / Divisor;
    Out.push_back(static_cast<std::int32_t>(std::clamp<std::int64_t>(Whole, INT32_MIN, INT32_MAX)));
  }
}

}  // namespace

THwmonReadings ReadHwmonSensors(const std::string& Root, std::size_t Most) {
  constexpr std::int64_t MilliPerDegree = 1000;
  THwmonReadings Readings;
  for (const unsigned Number : NumberedEntries(Root, "hwmon", "")) {
    const std::string Device = Root + "/hwmon" + std::to_string(Number);
    Collect(Device, "temp", Most, MilliPerDegree, Readings.Temps);
    Collect(Device, "fan", Most, 1, Readings.Fans);
  }
  return Readings;
}

}  // namespace dravel
