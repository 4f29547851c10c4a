// The label markup as status bars take it: plain text, one colour, or Pango markup.
#include "StatusMarkup.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

TEST(StatusColourTest, EveryColourForm) {
  // A table name, in any case; a hexadecimal value (0x00BBGGRR, red in the low byte).
  EXPECT_EQ(TStatusLine("<C:Red>x").OneColour(), "#FF0000");
  EXPECT_EQ(TStatusLine("<c:navy>x").OneColour(), "#000080");
  EXPECT_EQ(TStatusLine("<C:SkyBlue>x").OneColour(), "#A6CAF0");
  EXPECT_EQ(TStatusLine("<C:$8080FF>x").OneColour(), "#FF8080");
  EXPECT_EQ(TStatusLine("<C:$ff>x").OneColour(), "#FF0000");
  EXPECT_EQ(TStatusLine("<C:$0>x").OneColour(), "#000000");
  // System colours, clNone and clDefault are the bar's own colour.
  EXPECT_EQ(TStatusLine("<C:WindowText>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:$80000008>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:None>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:Default>x").OneColour(), std::nullopt);
  // Unknown names, decimal numbers and malformed hex change nothing.
  EXPECT_EQ(TStatusLine("<C:Mauve>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:255>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:$12G>x").OneColour(), std::nullopt);
  EXPECT_EQ(TStatusLine("<C:Lime><C:$12G>x").OneColour(), "#00FF00");
}

TEST(StatusColourTest, OneColourIsTheWholeLinesColour) {
  const TStatusLine Whole("<C:Red>CPU 5%</C>");
  EXPECT_EQ(Whole.OneColour(), "#FF0000");
  EXPECT_FALSE(Whole.NeedsMarkup());
  EXPECT_EQ(Whole.Text(), "CPU 5%");
  // Blanks outside the colour show no colour, so they do not split it.
  EXPECT_EQ(TStatusLine(" <C:Red>a</C> <C:$0000FF>b</C> ").OneColour(), "#FF0000");
  // Text in the bar's colour beside coloured text: two colours, drawn with spans.
  const TStatusLine Mixed("CPU <C:Red>5%</C>");
  EXPECT_EQ(Mixed.OneColour(), std::nullopt);
  EXPECT_TRUE(Mixed.NeedsMarkup());
  EXPECT_EQ(Mixed.Pango(true), "CPU <span foreground=\"#FF0000\">5%</span>");
  // An underlined blank shows its colour.
  EXPECT_EQ(TStatusLine("<C:Red>a<C:Blue><U> </U>").OneColour(), std::nullopt);
}

TEST(StatusMarkupTest, StylesBecomePangoTags) {
  const TStatusLine Line("<B>bold</B> <I>it</I> <U>under</U>");
  EXPECT_TRUE(Line.NeedsMarkup());
  EXPECT_EQ(Line.Pango(true), "<b>bold</b> <i>it</i> <u>under</u>");
  EXPECT_EQ(Line.Text(), "bold it under");
  EXPECT_EQ(TStatusLine("<b>lower</b>").Pango(true), "<b>lower</b>");
}

TEST(StatusMarkupTest, OverlappingLabelTagsNestProperly) {
  // The label's tags switch states independently; Pango wants properly nested elements.
  EXPECT_EQ(TStatusLine("<B>a<I>b</B>c</I>").Pango(true), "<b>a</b><b><i>b</i></b><i>c</i>");
  EXPECT_EQ(TStatusLine("<C:Red><B>x</C>y").Pango(true),
            "<span foreground=\"#FF0000\"><b>x</b></span><b>y</b>");
  // With one colour the caller takes the colour, and the spans go.
  const TStatusLine OneRed("<C:Red><B>x</B>y");
  EXPECT_EQ(OneRed.OneColour(), "#FF0000");
  EXPECT_EQ(OneRed.Pango(false), "<b>x</b>y");
  // Closing what is not open, or opening twice, changes nothing.
  EXPECT_EQ(TStatusLine("</B>a<B><B>b</C>").Pango(true), "a<b>b</b>");
}

TEST(StatusMarkupTest, LinesOfOnlyMarkupAndEmptyLinesAreEmpty) {
  for (const char* Caption : {"", "<B></B>", "<C:Red><S:3></S></C>", "<whatever>", "<B"}) {
    const TStatusLine Line(Caption);
    EXPECT_EQ(Line.Text(), "") << Caption;
    EXPECT_EQ(Line.Pango(true), "") << Caption;
    EXPECT_EQ(Line.OneColour(), std::nullopt) << Caption;
    EXPECT_FALSE(Line.NeedsMarkup()) << Caption;
  }
}

TEST(StatusMarkupTest, ShadowsAreDroppedBreaksBecomeBlanks) {
  const TStatusLine Line("<S:3>shade</S>d</>next");
  EXPECT_EQ(Line.Text(), "shaded next");
  EXPECT_FALSE(Line.NeedsMarkup());
  EXPECT_EQ(TStatusLine("<S>x").Pango(true), "x");
}

TEST(StatusMarkupTest, LiteralLessThanAndCodePages) {
  EXPECT_EQ(TStatusLine("a <<> b > c").Text(), "a < b > c");
  // Code page 1252 by default; RU switches to 1251 (Cyrillic), EU back.
  EXPECT_EQ(TStatusLine("46\xBA \x80").Text(), "46\xC2\xBA \xE2\x82\xAC");
  EXPECT_EQ(TStatusLine("<RU>\xCF\xF0<EU>\xCF").Text(), "\xD0\x9F\xD1\x80\xC3\x8F");
}

TEST(PangoEscapeTest, MarkupCharactersBecomeEntities) {
  std::string Out;
  AppendPangoEscaped(Out, "a & b < c > d 'e' \"f\"");
  EXPECT_EQ(Out, "a &amp; b &lt; c &gt; d &apos;e&apos; &quot;f&quot;");
  EXPECT_EQ(TStatusLine("<B>1 <<> 2 & 3</B>").Pango(true), "<b>1 &lt; 2 &amp; 3</b>");
}

TEST(PangoEscapeTest, ControlCharactersBecomeReferences) {
  std::string Out;
  AppendPangoEscaped(Out, std::string("a\x01\tb\x1F", 5));
  EXPECT_EQ(Out, "a&#x1;\tb&#x1f;");
  Out.clear();
  AppendPangoEscaped(Out, std::string("\0|\xC2\x81|\xC2\x85|\xFF", 9));
  EXPECT_EQ(Out, "\xEF\xBF\xBD|&#x81;|\xC2\x85|\xEF\xBF\xBD");
  // A CP1252 byte the code page leaves undefined is a C1 control in Unicode.
  EXPECT_EQ(TStatusLine("<B>\x81</B>").Pango(true), "<b>&#x81;</b>");
}

}  // namespace
}  // namespace dravel
