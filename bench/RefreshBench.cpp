// One refresh of the panel as the timer runs it: a sampling pass over this machine and
// the render of the default eight-line text into the labels, on the offscreen platform.
// With paint: the labels are drawn too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

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

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
