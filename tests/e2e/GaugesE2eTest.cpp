// Bars and graphs on a real X server (Xvfb): the default text with a processor graph and a
// memory bar added, refreshing four times a second. The screenshot, kept as gauges.png,
// shows the graph's columns and the bar as the label's tokens say they are.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>
#include <QWindow>
#include <cmath>
#include <memory>
#include <string>

#include "XvfbSession.h"
#include "formatter/FormatterRegistry.h"
#include "formatter/QarvMarkup.h"
#include "panel/FmtLabel.h"
#include "panel/dravel2a.h"
#include "platform/SettingsStore.h"

namespace dravel {
namespace {

constexpr int GraphCells = 30;
constexpr int BarCells = 20;

// The token a label shows, read back from its caption.
std::optional<TGaugeToken> TokenOf(const TFmtLabel& Label) {
  std::optional<TGaugeToken> Found;
  SplitAtGauges(Label.Caption(), [](std::string_view) {}, [&](const TGaugeToken& Token) { Found = Token; });
  return Found;
}

class GaugesE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FHome.isValid());
    setenv("XDG_CONFIG_HOME", FHome.filePath("config").toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", FHome.path().toLocal8Bit().constData(), 1);
    TRawDataShell Shell;
    const TFormatterRegistry Registry(Shell, TFormatSettings{});
    TRegistry Store;
    Store.OpenKey(MainSettingsKey, true);
    Store.WriteInteger("Version", 87);
    Store.WriteString("FormatString",
                      DefaultFormatText(Registry) +
                          "\r\nCPU <NAME=ProcUsage GRAPH=30>\r\n"
                          "RAM <NAME=RAMUsed FORMAT=\"%\" BAR=20> <NAME=RAMUsed FORMAT=\"%\">%");
    Store.WriteInteger("X", 40);
    Store.WriteInteger("Y", 40);
    Store.WriteInteger("Interval", 250);
  }

 private:
  QTemporaryDir FHome;
};

TEST_F(GaugesE2E, TheDefaultTextWithAProcessorGraphAndAMemoryBar) {
  TDravelDisplay Panel({"-h"}, std::make_unique<e2e::TNoPrompts>());
  ASSERT_TRUE(e2e::WaitFor([&] { return Panel.windowHandle() && Panel.windowHandle()->isExposed(); }));
  ASSERT_EQ(Panel.Labels().size(), 10u);
  const TFmtLabel& Graph = *Panel.Labels()[8];
  const TFmtLabel& Bar = *Panel.Labels()[9];
  ASSERT_TRUE(e2e::WaitFor([&] {
    const auto Token = TokenOf(Graph);
    return Token && Token->Values.size() >= 12;
  })) << "the graph did not fill: " << Graph.Caption();
  // Still, so that the screen and the captions agree.
  Panel.SetTimerEnabled(false);
  const std::optional<TGaugeToken> Samples = TokenOf(Graph);
  const std::optional<TGaugeToken> Memory = TokenOf(Bar);
  ASSERT_TRUE(Samples && Memory);

  const QFontMetrics Metrics(Graph.font());
  const int Cell = Metrics.horizontalAdvance(QLatin1Char('0'));
  const int Ascent = Metrics.ascent();
  const QRgb Ink = Graph.FontColor().rgb();
  const QPoint GraphAt = Graph.mapToGlobal(QPoint(Metrics.horizontalAdvance(QStringLiteral("CPU ")), 0));
  const QPoint BarAt = Bar.mapToGlobal(QPoint(Metrics.horizontalAdvance(QStringLiteral("RAM ")), 0));
  const int BarFill = static_cast<int>(std::lround(
      GaugeShare(Memory->Values.front(), GaugeTop(*Memory)) * BarCells * Cell));
  QImage Shot;
  const auto InkRun = [&](QPoint From) {
    int Count = 0;
    while (Shot.valid(From.x() + Count, From.y()) && Shot.pixel(From.x() + Count, From.y()) == Ink)
      ++Count;
    return Count;
  };
  ASSERT_TRUE(e2e::WaitFor([&] {
    Shot = e2e::Screenshot("gauges");
    return !Shot.isNull() && InkRun(BarAt + QPoint(0, Ascent / 2)) == BarFill;
  })) << "the screen never showed the memory bar filled " << BarFill << " pixels";

  // The bar: filled in the text's colour, then the faint track to its twentieth cell.
  const QRgb Track = Shot.pixel(BarAt + QPoint(BarCells * Cell - 1, Ascent / 2));
  if (BarFill < BarCells * Cell) {
    EXPECT_NE(Track, Ink);
    EXPECT_NE(Track, qRgb(255, 255, 255));
  }
  // The graph: a column a cell wide per sample, newest on the right, as high as its share.
  const double Top = GaugeTop(*Samples);
  const std::size_t First = GraphCells - Samples->Values.size();
  for (int Column = 0; Column < GraphCells; ++Column) {
    const int X = GraphAt.x() + Column * Cell + Cell / 2;
    int Rise = 0;
    while (Rise < Ascent && Shot.pixel(X, GraphAt.y() + Ascent - 1 - Rise) == Ink) ++Rise;
    const double Expected =
        Column < static_cast<int>(First)
            ? 0
            : GaugeShare(Samples->Values[static_cast<std::size_t>(Column) - First], Top) * Ascent;
    EXPECT_NEAR(Rise, Expected, 1.0) << "column " << Column;
  }
  // The window holds both lines whole.
  EXPECT_GE(Panel.width(), Graph.x() + Graph.width());
  EXPECT_GE(Graph.width(), Metrics.horizontalAdvance(QStringLiteral("CPU ")) + GraphCells * Cell);
  Panel.Exit1Click();
}

}  // namespace
}  // namespace dravel
