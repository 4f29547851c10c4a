// One render of the main window's default text: its eight lines evaluated against a
// fully filled record; and the same with four graph lines, whose tokens each line's
// history resolves and the text renderer draws as dravelfmt does.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "GaugeCells.h"
#include "formatter/QarvMarkup.h"
#include "formatter/formatter.h"

namespace dravel {
namespace {

void FillRecord(TRawData& Data) {
  Data.Marker = 'W';
  for (int I = 0; I < 5; ++I) {
    Data.ProcUsage[I] = 37.4f + static_cast<float>(I);
    Data.NetRead[I] = 1234.5f;
    Data.NetWrite[I] = 87.25f;
    Data.NetSumRead[I] = 123456789.0f;
    Data.NetSumWrite[I] = 98765432.0f;
  }
  WriteMemory(Data, TMemoryField::PageTotal, 8ull << 30);
  WriteMemory(Data, TMemoryField::PageFree, 5ull << 30);
  WriteMemory(Data, TMemoryField::RAMTotal, 16ull << 30);
  WriteMemory(Data, TMemoryField::RAMFree, 7ull << 30);
  Data.Uptime = 273906;
  Data.Threads = 1234;
  Data.Processes = 321;
  Data.DateTime = EncodeDateTime(2004, 3, 7, 9, 5, 3);
  const std::uint8_t Addresses[4][4] = {{192, 168, 1, 20}, {10, 0, 0, 5}, {172, 16, 0, 1}, {}};
  std::memcpy(Data.IPAddr, Addresses, sizeof Addresses);
  WriteShortName(Data.CompName, "BUILDHOST");
  WriteShortName(Data.UserName, "alice");
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::size_t Start = 0;
  for (std::size_t End; (End = Text.find("\r\n", Start)) != std::string::npos; Start = End + 2) {
    Result.push_back(Text.substr(Start, End - Start));
  }
  Result.push_back(Text.substr(Start));
  return Result;
}

void BM_DefaultTextEightLines(benchmark::State& State) {
  TRawDataShell Shell;
  FillRecord(Shell.Data);
  TFormatterRegistry Registry(Shell, TFormatSettings{});
  const std::string Text = DefaultFormatText(Registry);
  Registry.DecideIfActive(Text);
  Registry.SetAlignment(TAlignment::Right);
  const std::vector<std::string> Labels = Lines(Text);
  for (auto _ : State) {
    for (const std::string& Line : Labels) benchmark::DoNotOptimize(Registry.Evaluate(Line));
  }
}
BENCHMARK(BM_DefaultTextEightLines);

void BM_DefaultTextAndFourGraphsDrawnAsText(benchmark::State& State) {
  TRawDataShell Shell;
  FillRecord(Shell.Data);
  TFormatterRegistry Registry(Shell, TFormatSettings{});
  const std::string Text = DefaultFormatText(Registry) +
                           "\r\nCPU <NAME=ProcUsage GRAPH=40>\r\nIn <NAME=NetRead GRAPH=40>"
                           "\r\nOut <NAME=NetWrite GRAPH=40>\r\nThreads <NAME=Threads GRAPH=40>";
  Registry.DecideIfActive(Text);
  Registry.SetAlignment(TAlignment::Right);
  const std::vector<std::string> Labels = Lines(Text);
  std::vector<TGaugeHistory> Histories(Labels.size());
  int Tick = 0;
  for (auto _ : State) {
    Shell.Data.ProcUsage[0] = static_cast<float>((Tick * 37) % 1000) / 10;
    Shell.Data.NetRead[0] = static_cast<float>((Tick++ * 53) % 700);
    for (std::size_t I = 0; I < Labels.size(); ++I) {
      std::string Drawn;
      SplitAtGauges(
          Histories[I].Advance(Registry.Evaluate(Labels[I])),
          [&](std::string_view Plain) { Drawn += Plain; },
          [&](const TGaugeToken& Token) { Drawn += GaugeCells(Token); });
      benchmark::DoNotOptimize(Drawn);
    }
  }
}
BENCHMARK(BM_DefaultTextAndFourGraphsDrawnAsText);

}  // namespace
}  // namespace dravel
