// One refresh of the panel as the timer runs it: a sampling pass over this machine and
// the render of the default eight-line text into the labels, on the offscreen platform.
// With paint: the labels are drawn too. And the render and paint alone, against a record
// that changes every time, of the default text and of the default text with four graphs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "formatter/FormatterRegistry.h"
#include "panel/dravel2a.h"

namespace {

class TSilentPrompter final : public dravel::IPrompter {
 public:
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  dravel::TMsgResult MessageBox(const std::string&, const std::string&, dravel::TMsgButtons) override {
    return dravel::TMsgResult::Ok;
  }
  void ShowMessage(const std::string&) override {}
};

struct TPanel {
  QTemporaryDir Home;
  std::unique_ptr<dravel::TDravelDisplay> Display;
  TPanel() {
    setenv("XDG_CONFIG_HOME", Home.filePath("config").toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", Home.path().toLocal8Bit().constData(), 1);
    Display = std::make_unique<dravel::TDravelDisplay>(std::vector<std::string>{},
                                                       std::make_unique<TSilentPrompter>());
    Display->SetTimerEnabled(false);  // the benchmark drives the ticks
  }
};

void BM_Refresh(benchmark::State& State) {
  TPanel Panel;
  for (auto _ : State) Panel.Display->Timer1Timer();
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMicrosecond);

void BM_RefreshAndPaint(benchmark::State& State) {
  TPanel Panel;
  for (auto _ : State) {
    Panel.Display->Timer1Timer();
    Panel.Display->repaint();
  }
}
BENCHMARK(BM_RefreshAndPaint)->Unit(benchmark::kMicrosecond);

// The figures move as they do from one second to the next (processor, rates, counts,
// uptime, memory), so the captions that change in life change here, and are measured and
// repainted, graphs and all.
void BM_RenderAndPaint(benchmark::State& State, const std::string& Extra) {
  TPanel Panel;
  dravel::TDravelDisplay& Display = *Panel.Display;
  Display.BuildLabels(dravel::DefaultFormatText(*Display.FFormatters) + Extra);
  Display.SetTimerEnabled(false);
  int Tick = 0;
  for (auto _ : State) {
    {
      const std::lock_guard Lock(Display.FRawData->Guard);
      dravel::TRawData& Data = Display.FRawData->Data;
      for (float& Usage : Data.ProcUsage) Usage = static_cast<float>((Tick * 37) % 1000) / 10;
      Data.NetRead[0] = static_cast<float>((Tick * 53) % 700);
      Data.NetWrite[0] = static_cast<float>((Tick * 29) % 300);
      Data.Threads = static_cast<std::int16_t>(900 + Tick % 200);
      Data.Processes = static_cast<std::int16_t>(300 + Tick % 20);
      Data.Uptime = 273906 + Tick;
      dravel::WriteMemory(Data, dravel::TMemoryField::RAMFree, (4096ull + Tick % 512) << 20);
      dravel::WriteMemory(Data, dravel::TMemoryField::PageFree, (1024ull + Tick % 64) << 20);
      Display.RenderLabels();
    }
    Display.repaint();
    ++Tick;
  }
}
BENCHMARK_CAPTURE(BM_RenderAndPaint, DefaultText, std::string())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RenderAndPaint, DefaultTextAndFourGraphs,
                  std::string("\r\nCPU <NAME=ProcUsage GRAPH=40>\r\nIn <NAME=NetRead GRAPH=40>"
                              "\r\nOut <NAME=NetWrite GRAPH=40>\r\nThreads <NAME=Threads GRAPH=40>"))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
