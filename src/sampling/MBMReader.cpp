#include "sampling/MBMReader.h"

#include <cstring>

#include "platform/SharedMemory.h"
#include "sampling/SlotChoice.h"

namespace dravel {
namespace {

constexpr std::size_t TempsAt = 0;
constexpr std::size_t FansWhenInfoZeroAt = 96;
constexpr std::size_t FansOtherwiseAt = 120;
constexpr std::size_t SensorCount = 4;
constexpr char LibraryName[] = "MBMStarter.so";

void ReadInt32s(std::span<const std::uint8_t> Bytes, std::size_t At,
                std::array<std::int32_t, SensorCount>& Out) {
  std::memcpy(Out.data(), Bytes.data() + At, sizeof Out);
}

}  // namespace

TMBMReader::TMBMReader(TMBMNames Names) : FNames(std::move(Names)) {}

TMBMReader::~TMBMReader() { StopMBM(); }

void TMBMReader::MBMStep(TRawData& Data) {
  if (!FLibraryLoaded && !FStarting) {
    FStarting = true;
    FStartThread = std::thread([this] { MBMStartThread(); });
    return;
  }
  if (!ReadMBM()) return;
  for (std::size_t N = 0; N < 3; ++N) {
    Data.Temp[N] = static_cast<std::int16_t>(static_cast<std::uint16_t>(FTemps[N]));
    Data.Fan[N] = FFans[N];
  }
}

bool TMBMReader::ReadMBM() {
  const auto Block = TSharedMemoryView::OpenReadOnly(FNames.DataBlock);
  if (!Block) return false;
  const auto Bytes = Block->Bytes();
  if (HoldsSensorTable(Bytes)) {
    const auto Table = ReadSensorTable(Bytes);
    if (Table) TakeNamedSensors(*Table);
    return Table.has_value();
  }
  const std::size_t FansAt = FInfoZero ? FansWhenInfoZeroAt : FansOtherwiseAt;
  const std::size_t Needed = FansAt + SensorCount * sizeof(std::int32_t);
  if (Bytes.size() < Needed) return false;
  ReadInt32s(Bytes, TempsAt, FTemps);
  ReadInt32s(Bytes, FansAt, FFans);
  return true;
}

void TMBMReader::TakeNamedSensors(const std::vector<TPublishedSensor>& Table) {
  const auto Take = [&Table](TSensorKind Kind, const std::array<std::string, 3>& Chosen,
                             std::array<std::int32_t, SensorCount>& Slots) {
    std::vector<std::string> Names;
    std::vector<std::optional<std::int32_t>> Values;
    for (const TPublishedSensor& Sensor : Table) {
      if (Sensor.Kind != Kind) continue;
      Names.push_back(Sensor.Name);
      Values.push_back(Sensor.Value);
    }
    const auto Assigned = AssignSlots(Names, {Chosen.begin(), Chosen.end()}, SensorCount);
    // A sensor that is gone shows 0; one that cannot be read just now keeps its figure.
    for (std::size_t N = 0; N < SensorCount; ++N) {
      Slots[N] = Assigned[N] ? Values[*Assigned[N]].value_or(Slots[N]) : 0;
    }
  };
  Take(TSensorKind::Temperature, FChoice.Temps, FTemps);
  Take(TSensorKind::Fan, FChoice.Fans, FFans);
}

std::vector<std::string> MBMLibraryCandidates(const std::string& ExecutableFolder) {
  if (ExecutableFolder.empty()) return {LibraryName};
  std::vector<std::string> Paths{ExecutableFolder + LibraryName};
  const std::string Multiarch = DRAVEL_MULTIARCH;
  if (!Multiarch.empty()) Paths.push_back(ExecutableFolder + "../lib/" + Multiarch + "/dravel/" + LibraryName);
  Paths.push_back(ExecutableFolder + "../lib/dravel/" + LibraryName);
  return Paths;
}

void TMBMReader::MBMStartThread() {
  const std::vector<std::string> Paths = FNames.LibraryPath.empty()
                                             ? MBMLibraryCandidates(ExecutableDirectory())
                                             : std::vector<std::string>{FNames.LibraryPath};
  std::optional<TDynamicLibrary> Library;
  for (const std::string& Path : Paths) {
    if (auto Loaded = TDynamicLibrary::Load(Path)) {
      Library.emplace(std::move(*Loaded));
      break;
    }
  }
  if (!Library) return;
  FLibrary.emplace(std::move(*Library));
  FLibraryLoaded = true;
  if (const auto Start = FLibrary->Procedure("Start")) Start();
  const auto Info = TSharedMemoryView::OpenReadOnly(FNames.InfoBlock, 1);
  if (!Info) return;
  FInfoZero = Info->Bytes()[0] == 0;
  if (OnStartReport) OnStartReport();
}

void TMBMReader::MBMStartFinished() {
  FStarting = false;
  JoinStartThread();
}

void TMBMReader::JoinStartThread() {
  if (FStartThread.joinable()) FStartThread.join();
}

void TMBMReader::StopMBM() {
  JoinStartThread();
  if (!FLibraryLoaded) return;
  if (const auto Stop = FLibrary->Procedure("Stop")) Stop();
  FLibrary.reset();
  FLibraryLoaded = false;
}

}  // namespace dravel
