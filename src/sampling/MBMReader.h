#pragma once
// Temperatures and fans published by the hardware-monitor program in shared memory, and
// its interface library, started on a thread of its own at the first reading.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/SensorBlock.h"
#include "sampling/MeasuringChoice.h"
#include "sampling/RawData.h"

namespace dravel {

struct TMBMNames {
  std::string InfoBlock = PerUserBlockName(SensorBlock::InfoName);
  std::string DataBlock = PerUserBlockName(SensorBlock::DataName);
  // Empty: "MBMStarter.so" found from the running executable (MBMLibraryCandidates).
  std::string LibraryPath;
};

// Where the interface library is looked for, in order, given the running executable's
// folder (with its trailing "/"): beside it, then the installed layout's
// ../lib/<multiarch>/dravel/ and ../lib/dravel/.
std::vector<std::string> MBMLibraryCandidates(const std::string& ExecutableFolder);

class TMBMReader {
 public:
  explicit TMBMReader(TMBMNames Names = {});
  TMBMReader(const TMBMReader&) = delete;
  TMBMReader& operator=(const TMBMReader&) = delete;
  ~TMBMReader();  // runs the exit step

  // The MBM step of a sampling pass: reads the sensors into Temp and Fan, or, the first
  // time, launches MBMStartThread.
  void MBMStep(TRawData& Data);
  // Reads the data block into MBMTemps and MBMFans; false when it is missing or short.
  // A block with a table of named sensors gives the chosen ones, the rest in the table's
  // (the default) order.
  bool ReadMBM();
  // Which named sensors the slots show from the next reading on.
  void SetSensorChoice(const TSensorChoice& Choice) { FChoice = Choice; }
  const TSensorChoice& SensorChoice() const { return FChoice; }
  // The start thread's report, to be run on the main thread.
  void MBMStartFinished();
  // Exit step: calls the library's "Stop" and unloads it.
  void StopMBM();

  // Called on the start thread once it has started the library and read the layout flag.
  // The owner marshals it to the main thread (a queued call) and there calls
  // MBMStartFinished. Unbound, the report is dropped and reading simply goes on.
  std::function<void()> OnStartReport;

  bool MBMStarting() const { return FStarting; }
  bool MBMLibraryLoaded() const { return FLibraryLoaded; }
  bool MBMInfoZero() const { return FInfoZero; }
  const std::array<std::int32_t, 4>& MBMTemps() const { return FTemps; }
  const std::array<std::int32_t, 4>& MBMFans() const { return FFans; }

 private:
  void TakeNamedSensors(const std::vector<TPublishedSensor>& Table);
  void MBMStartThread();
  void JoinStartThread();

  const TMBMNames FNames;
  // Set by the start thread before it raises FLibraryLoaded; the main thread touches it
  // only after joining that thread.
  std::optional<TDynamicLibrary> FLibrary;
  std::atomic<bool> FLibraryLoaded{false};
  std::atomic<bool> FInfoZero{false};
  bool FStarting = false;
  std::thread FStartThread;
  std::array<std::int32_t, 4> FTemps{};
  std::array<std::int32_t, 4> FFans{};
  TSensorChoice FChoice;
};

}  // namespace dravel
