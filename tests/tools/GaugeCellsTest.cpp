// Bars and graphs as text: the exact block characters, and the ASCII fallback.
#include "GaugeCells.h"

#include <gtest/gtest.h>

#include "formatter/GaugeHistory.h"
#include "formatter/QarvMarkup.h"

namespace dravel {
namespace {

constexpr const char* Full = "\u2588";

TGaugeToken Bar(double Value, std::optional<double> Top, std::size_t Cells) {
  return {TGaugeKind::Bar, {Value}, Top, Cells};
}

TGaugeToken Graph(std::vector<double> Values, std::optional<double> Top, std::size_t Cells) {
  return {TGaugeKind::Graph, std::move(Values), Top, Cells};
}

std::string Repeat(std::string_view Text, int Times) {
  std::string Out;
  for (int I = 0; I < Times; ++I) Out += Text;
  return Out;
}

TEST(GaugeCellsBar, FilledEighthsAreFullBlocksThenOnePartialThenBlanks) {
  // 37.4 of 100 in ten cells: round(29.92) = 30 eighths, three full cells and six eighths.
  EXPECT_EQ(GaugeCells(Bar(37.4, 100, 10)), "\u2588\u2588\u2588\u258A      ");
  EXPECT_EQ(GaugeCells(Bar(50, 100, 8)), Repeat(Full, 4) + "    ");
  EXPECT_EQ(GaugeCells(Bar(0, 100, 3)), "   ");
  EXPECT_EQ(GaugeCells(Bar(100, 100, 3)), Repeat(Full, 3));
}

TEST(GaugeCellsBar, EachPartialBlockHasItsEighths) {
  const char* Partial[] = {"\u258F", "\u258E", "\u258D", "\u258C", "\u258B", "\u258A", "\u2589"};
  for (int Eighths = 1; Eighths <= 7; ++Eighths) {
    EXPECT_EQ(GaugeCells(Bar(Eighths, 8, 1)), Partial[Eighths - 1]) << Eighths;
    EXPECT_EQ(GaugeCells(Bar(8 + Eighths, 16, 2)), std::string(Full) + Partial[Eighths - 1]);
  }
  // Rounded to the nearest eighth.
  EXPECT_EQ(GaugeCells(Bar(0.49, 8, 1)), " ");
  EXPECT_EQ(GaugeCells(Bar(0.5, 8, 1)), "\u258F");
}

TEST(GaugeCellsBar, ValuesOutsideTheScaleStopAtItsEnds) {
  EXPECT_EQ(GaugeCells(Bar(250, 100, 4)), Repeat(Full, 4));
  EXPECT_EQ(GaugeCells(Bar(-20, 100, 4)), "    ");
  EXPECT_EQ(GaugeCells(Bar(5, 0, 2)), "  ");  // no scale to draw against
  // A scale that follows the value: the value itself is the top.
  EXPECT_EQ(GaugeCells(Bar(5, std::nullopt, 2)), Repeat(Full, 2));
}

TEST(GaugeCellsGraph, OneCellPerSampleOldestFirstPaddedOnTheLeft) {
  // Levels ceil(v / 80 x 8): 10 -> 1, 35 -> 4, 80 -> 8, 41 -> 5.
  EXPECT_EQ(GaugeCells(Graph({10, 35, 80, 41}, 80, 6)), "  \u2581\u2584\u2588\u2585");
  EXPECT_EQ(GaugeCells(Graph({1, 2, 3, 4, 5, 6, 7, 8}, 8, 8)),
            "\u2581\u2582\u2583\u2584\u2585\u2586\u2587\u2588");
  // A sample of 0 is a blank, and any sample above it at least the lowest block.
  EXPECT_EQ(GaugeCells(Graph({0, 0.001, 0}, 100, 3)), " \u2581 ");
  EXPECT_EQ(GaugeCells(Graph({-5, 500}, 100, 2)), " \u2588");
}

TEST(GaugeCellsGraph, FiveRefreshesOfATextLine) {
  // What dravelfmt draws: the engine's token each refresh, resolved by the line's history.
  TGaugeHistory History;
  const double Values[] = {20, 40, 100, 0, 60};
  const char* Expected[] = {"cpu     \u2582|",
                            "cpu    \u2582\u2584|",
                            "cpu   \u2582\u2584\u2588|",
                            "cpu  \u2582\u2584\u2588 |",
                            "cpu \u2582\u2584\u2588 \u2585|"};
  for (int Refresh = 0; Refresh < 5; ++Refresh) {
    const std::string Line = "cpu " +
                             WriteGaugeToken({TGaugeKind::Graph, {Values[Refresh]}, 100.0, 5}) +
                             "|";
    std::string Text;
    SplitAtGauges(
        History.Advance(Line), [&](std::string_view Plain) { Text += Plain; },
        [&](const TGaugeToken& Token) { Text += GaugeCells(Token); });
    EXPECT_EQ(Text, Expected[Refresh]) << Refresh;
  }
}

TEST(GaugeCellsGraph, AScaleThatFollowsTheValuesTopsAtTheLargest) {
  EXPECT_EQ(GaugeCells(Graph({250, 500, 1000}, std::nullopt, 3)), "\u2582\u2584\u2588");
}

TEST(GaugeCellsAscii, AFallbackForEncodingsWithoutBlocks) {
  EXPECT_EQ(GaugeCells(Bar(37.4, 100, 10), TCellStyle::Ascii), "####      ");
  EXPECT_EQ(GaugeCells(Bar(50, 100, 8), TCellStyle::Ascii), "####    ");
  EXPECT_EQ(GaugeCells(Bar(100, 100, 3), TCellStyle::Ascii), "###");
  EXPECT_EQ(GaugeCells(Graph({0, 1, 2, 3, 4, 5, 6, 7, 8}, 8, 10), TCellStyle::Ascii),
            "  .,:-=+*#");
}

TEST(GaugeCellsAscii, TheEncodingDecides) {
  EXPECT_EQ(CellStyleFor("UTF-8"), TCellStyle::Blocks);
  EXPECT_EQ(CellStyleFor("utf8"), TCellStyle::Blocks);
  EXPECT_EQ(CellStyleFor("GB18030"), TCellStyle::Blocks);  // holds all of Unicode
  EXPECT_EQ(CellStyleFor("ANSI_X3.4-1968"), TCellStyle::Ascii);  // the C locale's
  EXPECT_EQ(CellStyleFor("ISO-8859-1"), TCellStyle::Ascii);
  EXPECT_EQ(CellStyleFor("KOI8-R"), TCellStyle::Ascii);  // some blocks, not the eighths
}

TEST(GaugeCellsWidth, AlwaysTheTokensCells) {
  for (const std::size_t Cells : {1u, 7u, 512u}) {
    for (const double Value : {-1.0, 0.0, 0.3, 33.3, 99.9, 1e300}) {
      for (const TCellStyle Style : {TCellStyle::Blocks, TCellStyle::Ascii}) {
        const std::string Text = GaugeCells(Bar(Value, 100, Cells), Style);
        std::size_t Characters = 0;
        for (const char C : Text) Characters += (static_cast<unsigned char>(C) & 0xC0) != 0x80;
        EXPECT_EQ(Characters, Cells);
        const std::string Drawn = GaugeCells(Graph({Value, 50}, 100, Cells), Style);
        Characters = 0;
        for (const char C : Drawn) Characters += (static_cast<unsigned char>(C) & 0xC0) != 0x80;
        EXPECT_EQ(Characters, Cells);
      }
    }
  }
}

}  // namespace
}  // namespace dravel
