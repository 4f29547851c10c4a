// The kernel's hardware-monitor sensors: /sys/class/hwmon/hwmonN with its "name" (the
// chip), tempK_input in millidegrees and fanK_input in revolutions per minute, each with
// an optional tempK_label or fanK_label. The hwmonN numbers change from boot to boot, so
// they never name a sensor; two chips of one name (two disks, say) are told apart by the
// place of their device, the second becoming "nvme#2".

#include <dirent.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <tuple>

#include "platform/Sensors.h"
#include "platform/linux/FileText.h"

namespace dravel {
namespace {

namespace fs = std::filesystem;

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

// The file's first line without trailing blanks; empty when it cannot be read.
std::string ReadLine(const std::string& Path) {
  std::string Text;
  if (!ReadTextFile(Path, Text)) return {};
  Text = Text.substr(0, Text.find('\n'));
  while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r')) {
    Text.pop_back();
  }
  return Text;
}

std::optional<double> ReadValue(const std::string& Path, double Divisor) {
  const std::string Text = ReadLine(Path);
  long long Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Text.empty() || Error != std::errc{} || End != Text.data() + Text.size()) {
    return std::nullopt;
  }
  return static_cast<double>(Value) / Divisor;
}

struct TChip {
  std::string Folder;
  std::string Name;
  std::string Place;  // where its device sits, the same at every boot
};

std::string PlaceOf(const std::string& Folder) {
  std::error_code Error;
  for (const fs::path& Path : {fs::path(Folder) / "device", fs::path(Folder)}) {
    const fs::path Place = fs::canonical(Path, Error);
    if (!Error) return Place.string();
  }
  return Folder;
}

std::vector<TChip> Chips(const std::string& Root) {
  std::vector<TChip> Chips;
  for (const unsigned Number : NumberedEntries(Root, "hwmon", "")) {
    TChip Chip;
    Chip.Folder = Root + "/hwmon" + std::to_string(Number);
    Chip.Name = ReadLine(Chip.Folder + "/name");
    if (Chip.Name.empty()) Chip.Name = "hwmon" + std::to_string(Number);
    Chip.Place = PlaceOf(Chip.Folder);
    Chips.push_back(std::move(Chip));
  }
  std::sort(Chips.begin(), Chips.end(), [](const TChip& A, const TChip& B) {
    return std::tie(A.Name, A.Place) < std::tie(B.Name, B.Place);
  });
  std::map<std::string, int> Seen;
  for (TChip& Chip : Chips) {
    if (const int Count = ++Seen[Chip.Name]; Count > 1) {
      Chip.Name += "#" + std::to_string(Count);
    }
  }
  return Chips;
}

void ReadKind(const TChip& Chip, TSensorKind Kind, std::vector<TSensorReading>& Out) {
  const std::string Attribute = Kind == TSensorKind::Fan ? "fan" : "temp";
  const double Divisor = Kind == TSensorKind::Fan ? 1.0 : 1000.0;
  std::set<std::string> Labels;
  for (const unsigned Number : NumberedEntries(Chip.Folder, Attribute, "_input")) {
    const std::string Base = Chip.Folder + "/" + Attribute + std::to_string(Number);
    std::string Label = ReadLine(Base + "_label");
    // A missing label, or one the chip gives twice, is the attribute's own name.
    if (Label.empty() || Labels.count(Label)) Label = Attribute + std::to_string(Number);
    Labels.insert(Label);
    Out.push_back({Chip.Name, std::move(Label), Kind, ReadValue(Base + "_input", Divisor)});
  }
}

class THwmonSensors final : public ISensors {
 public:
  explicit THwmonSensors(const std::string& Root) : FFolder(Root + "/sys/class/hwmon") {}

  std::vector<TSensorReading> Read() override {
    std::vector<TSensorReading> Sensors;
    for (const TChip& Chip : Chips(FFolder)) {
      ReadKind(Chip, TSensorKind::Temperature, Sensors);
      ReadKind(Chip, TSensorKind::Fan, Sensors);
    }
    SortSensors(Sensors);
    return Sensors;
  }

 private:
  const std::string FFolder;
};

}  // namespace

std::unique_ptr<ISensors> MakeSensors(const std::string& Root) {
  return std::make_unique<THwmonSensors>(Root);
}

}  // namespace dravel
