#include "DravelfmtLive.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <thread>

#include "sampling/LocalSampler.h"
#include "sampling/RawData.h"

namespace dravel {
namespace {

constexpr int ExitFailure = 2;

bool DumpRecord(const std::string& Path, const TRawData& Data) {
  std::ofstream File(Path, std::ios::binary | std::ios::trunc);
  const auto Bytes = RecordBytes(Data);
  File.write(reinterpret_cast<const char*>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
  return static_cast<bool>(File.flush());
}

}  // namespace

int RunLive(const TLiveRequest& Request, const TActiveFamilies& Active, TRawDataShell& Shell,
            const std::function<void(bool Refresh)>& OnPass, std::ostream& Err) {
  TLocalSampler Local(Shell);
  TSampler& Sampler = Local.Sampler();
  TMBMReader& MBM = Local.MBM();
  // The start thread's report is taken up on this thread before the next pass.
  std::atomic<bool> MBMReported{false};
  MBM.OnStartReport = [&MBMReported] { MBMReported = true; };

  Sampler.SetInterval(static_cast<std::uint32_t>(Request.IntervalMs));
  Sampler.SetExcludeText(Request.ExcludeText);
  Sampler.SetAdapters(Request.Adapters);
  bool Failed = false;
  Sampler.OnPerfDataFailure = [&](const std::exception& Error) {
    Err << "dravelfmt: the system's figures could not be read: " << Error.what() << "\n";
    Failed = true;
  };

  bool Refresh = false;
  Sampler.RenderLabels = [&] { OnPass(Refresh); };
  const auto Interval = std::chrono::milliseconds(Request.IntervalMs);
  auto Next = std::chrono::steady_clock::now();
  // The first pass, and the first refresh, measure drives and addresses at once.
  for (std::int64_t Shown = 0; Request.Count == 0 || Shown <= Request.Count; ++Shown) {
    if (MBMReported.exchange(false)) MBM.MBMStartFinished();
    Refresh = Shown > 0;
    Sampler.SamplePass(Active, Shown <= 1);
    if (Failed) return ExitFailure;
    if (Request.Count != 0 && Shown == Request.Count) break;
    // A run that fell behind (a suspended machine, a stopped process) starts its beat
    // afresh rather than catching up with a burst of passes.
    Next = std::max(Next + Interval, std::chrono::steady_clock::now());
    if (!Request.WaitUntil) {
      std::this_thread::sleep_until(Next);
    } else if (!Request.WaitUntil(Next)) {
      break;
    }
  }
  if (!Request.DumpRecordPath.empty() && !DumpRecord(Request.DumpRecordPath, Shell.Data)) {
    Err << "dravelfmt: cannot write the record to " << Request.DumpRecordPath << "\n";
    return ExitFailure;
  }
  return 0;
}

}  // namespace dravel
