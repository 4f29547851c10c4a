#include "formatter/QarvMarkup.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

std::vector<TMarkupRun> Parse(std::string_view Text) { return ParseMarkup(Text, TMarkupStyle{}); }

// The texts of the text runs, joined by "|"; a line break shows as "/".
std::string Texts(const std::vector<TMarkupRun>& Runs) {
  std::string Out;
  for (const TMarkupRun& Run : Runs)
    Out += (Out.empty() ? "" : "|") + (Run.Kind == TMarkupRun::TKind::LineBreak ? "/" : Run.Text);
  return Out;
}

TEST(MarkupText, TextBetweenTagsBecomesRunsAndTagsAreNotDrawn) {
  EXPECT_EQ(Texts(Parse("a<B>bc</B>d")), "a|bc|d");
  EXPECT_EQ(Texts(Parse("x > y")), "x > y");
  EXPECT_EQ(Texts(Parse("<bold>x<whatever>")), "x");
  EXPECT_TRUE(Parse("").empty());
}

TEST(MarkupText, DoubledLessThanIsALiteralLessThan) { EXPECT_EQ(Texts(Parse("a<<>b")), "a|<|b"); }

TEST(MarkupText, SlashTagBreaksTheLine) {
  const auto Runs = Parse("one</>two");
  ASSERT_EQ(Runs.size(), 3u);
  EXPECT_EQ(Runs[1].Kind, TMarkupRun::TKind::LineBreak);
}

TEST(MarkupText, TagOpenAtTheEndIsStillCarriedOut) {
  const auto Runs = Parse("abc<B");
  ASSERT_EQ(Texts(Runs), "abc");
  EXPECT_FALSE(Runs[0].Style.Bold);
  EXPECT_TRUE(Parse("<B").empty());
  EXPECT_EQ(Texts(Parse("<")), "");
}

TEST(MarkupStyle, BoldItalicUnderlineOnAndOffInEitherCase) {
  const auto Runs = Parse("<b>1<I>2<u>3</B>4</i>5</U>6");
  ASSERT_EQ(Runs.size(), 6u);
  EXPECT_EQ(Runs[0].Style, (TMarkupStyle{true, false, false}));
  EXPECT_EQ(Runs[1].Style, (TMarkupStyle{true, true, false}));
  EXPECT_EQ(Runs[2].Style, (TMarkupStyle{true, true, true}));
  EXPECT_EQ(Runs[3].Style, (TMarkupStyle{false, true, true}));
  EXPECT_EQ(Runs[4].Style, (TMarkupStyle{false, false, true}));
  EXPECT_EQ(Runs[5].Style, (TMarkupStyle{}));
}

TEST(MarkupStyle, StartsFromTheFontsStyle) {
  const auto Runs = ParseMarkup("a</B>b", TMarkupStyle{true, false, true});
  EXPECT_EQ(Runs[0].Style, (TMarkupStyle{true, false, true}));
  EXPECT_EQ(Runs[1].Style, (TMarkupStyle{false, false, true}));
}

TEST(MarkupColour, NamesOfTheTableAndClosingTag) {
  const auto Runs = Parse("a<C:Red>b<c:moneygreen>c</C>d");
  ASSERT_EQ(Runs.size(), 4u);
  EXPECT_FALSE(Runs[0].Colour);
  EXPECT_EQ(Runs[1].Colour, TColor{0x0000FF});
  EXPECT_EQ(Runs[2].Colour, TColor{0xC0DCC0});
  EXPECT_FALSE(Runs[3].Colour);
}

TEST(MarkupColour, HexValuesAreBgrAndMayNameSystemColours) {
  EXPECT_EQ(Parse("<C:$8080FF>x")[0].Colour, TColor{0x8080FF});
  EXPECT_EQ(Parse("<C:$80000005>x")[0].Colour, TColor{0x80000005});
  EXPECT_EQ(Parse("<C:WindowText>x")[0].Colour, TColor{0x80000008});
}

TEST(MarkupColour, DecimalUnknownOrMalformedColoursChangeNothing) {
  for (const char* Tag : {"<C:255>", "<C:Nonsense>", "<C:$>", "<C:$12G>", "<C:$123456789>",
                          "<C:clRed>", "<C:>", "<C:$-1>"}) {
    const auto Runs = Parse(std::string("<C:Lime>a") + Tag + "b");
    ASSERT_EQ(Runs.size(), 2u) << Tag;
    EXPECT_EQ(Runs[1].Colour, TColor{0x00FF00}) << Tag;
  }
}

TEST(MarkupColour, TableHasEveryNameOnce) {
  int Found = 0;
  for (const char* Name : {"Black",
                           "Maroon",
                           "Green",
                           "Olive",
                           "Navy",
                           "Purple",
                           "Teal",
                           "Gray",
                           "Silver",
                           "Red",
                           "Lime",
                           "Yellow",
                           "Blue",
                           "Fuchsia",
                           "Aqua",
                           "White",
                           "MoneyGreen",
                           "SkyBlue",
                           "Cream",
                           "MedGray",
                           "None",
                           "Default",
                           "ScrollBar",
                           "Background",
                           "ActiveCaption",
                           "InactiveCaption",
                           "Menu",
                           "Window",
                           "WindowFrame",
                           "MenuText",
                           "WindowText",
                           "CaptionText",
                           "ActiveBorder",
                           "InactiveBorder",
                           "AppWorkSpace",
                           "Highlight",
                           "HighlightText",
                           "BtnFace",
                           "BtnShadow",
                           "GrayText",
                           "BtnText",
                           "InactiveCaptionText",
                           "BtnHighlight",
                           "3DDkShadow",
                           "3DLight",
                           "InfoText",
                           "InfoBk",
                           "GradientActiveCaption",
                           "GradientInactiveCaption"})
    Found += ColorFromName(Name).has_value();
  EXPECT_EQ(Found, 49);
  EXPECT_EQ(ColorFromName("GRADIENTINACTIVECAPTION"), TColor{0x8000001C});
  EXPECT_EQ(ColorFromName("SkyBlue"), TColor{0xF0CAA6});
  EXPECT_FALSE(ColorFromName("HotLight"));
}

TEST(MarkupShadow, OffsetIsASignedByteDefaultingToTwo) {
  auto OffsetOf = [](std::string_view Text) { return Parse(Text).at(0).Shadow; };
  EXPECT_EQ(OffsetOf("<S>x"), 2);
  EXPECT_EQ(OffsetOf("<S:>x"), 2);
  EXPECT_EQ(OffsetOf("<S:5>x"), 5);
  EXPECT_EQ(OffsetOf("<S:-3>x"), -3);
  EXPECT_EQ(OffsetOf("<S:300>x"), 44);
  EXPECT_EQ(OffsetOf("<S:200>x"), -56);
  EXPECT_EQ(OffsetOf("<S:abc>x"), 2);
  EXPECT_EQ(OffsetOf("<S:99999999999>x"), 2);
  EXPECT_EQ(OffsetOf("<small>x"), 2);
  EXPECT_EQ(OffsetOf("<S-4>x"), 4);
}

TEST(MarkupShadow, ClosingTagEndsTheShadow) {
  const auto Runs = Parse("<S:4>a</S>b");
  EXPECT_TRUE(Runs[0].Shadow);
  EXPECT_FALSE(Runs[1].Shadow);
}

TEST(MarkupCodePage, RuSwitchesTo1251AndEuBack) {
  const auto Runs = Parse("a<RU>\xC0<eu>\xC0");
  ASSERT_EQ(Runs.size(), 3u);
  EXPECT_EQ(Runs[0].CodePage, TCodePage::Cp1252);
  EXPECT_EQ(Runs[1].CodePage, TCodePage::Cp1251);
  EXPECT_EQ(Runs[2].CodePage, TCodePage::Cp1252);
}

}  // namespace
}  // namespace dravel
