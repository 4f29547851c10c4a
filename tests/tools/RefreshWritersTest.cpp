// The output forms of a refresh, read back with a real JSON parser.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>
#include <random>

#include "I3barWriter.h"
#include "JsonLinesWriter.h"
#include "PlainWriter.h"
#include "WaybarWriter.h"

namespace dravel {
namespace {

using nlohmann::json;

// Lines a format text may render to: quotes, backslashes, control characters, every
// colour form, nested markup, a line of only markup, an empty line, code page 1252.
const std::vector<std::string> Awkward = {
    "say \"hi\" \\ C:\\temp\\",
    std::string("tab\there\nnew\rline\x01\x1F") + '\0' + "end",
    "<C:Red>red</C> <C:$8080FF>light</C> <C:Navy>navy</C> <C:WindowText>sys</C> <C:Bogus>x",
    "<B>a<I>b<U>c</B>d</I>e</U>",
    "<B></B><C:Lime><S:2></S>",
    "",
    "46\xBA \x80 \x81 <<> & <RU>\xCF\xF0",
};

std::string Write(const TRefreshWriter& Writer, const std::vector<std::string>& Lines,
                  std::string_view Percentage = {}) {
  std::string Out;
  Writer.Write({Lines, Percentage, std::chrono::system_clock::time_point{}}, Out);
  return Out;
}

TEST(I3barWriterTest, HeaderThenOneArrayPerRefresh) {
  const TI3barWriter Writer;
  std::string Stream;
  Writer.Begin(Stream);
  const auto Newline = Stream.find('\n');
  ASSERT_NE(Newline, std::string::npos);
  EXPECT_EQ(json::parse(Stream.substr(0, Newline)),
            json::parse(R"({"version":1,"click_events":false})"));
  EXPECT_EQ(Stream.substr(Newline + 1), "[\n");

  const std::string Refresh = Write(Writer, Awkward);
  ASSERT_TRUE(Refresh.ends_with("],\n"));
  EXPECT_EQ(Refresh.find('\n'), Refresh.size() - 1);  // one line per refresh
  const json Blocks = json::parse(Refresh.substr(0, Refresh.size() - 2));
  ASSERT_EQ(Blocks.size(), Awkward.size());
  for (std::size_t I = 0; I < Blocks.size(); ++I) {
    EXPECT_EQ(Blocks[I]["name"], "line" + std::to_string(I + 1));
    EXPECT_TRUE(Blocks[I]["full_text"].is_string());
  }
  // Three refreshes and the closing "]" make one JSON document after the header.
  std::string Body = Stream.substr(Newline + 1);
  for (int I = 0; I < 3; ++I) Body += Write(Writer, Awkward);
  Body.resize(Body.size() - 2);
  const json Whole = json::parse(Body + "]");
  ASSERT_EQ(Whole.size(), 3u);
  EXPECT_EQ(Whole[0], Blocks);
}

TEST(I3barWriterTest, ColourAndMarkupOfEachBlock) {
  const std::string Refresh = Write(TI3barWriter{}, {"<C:Red>CPU 5%</C>", "plain & <simple>",
                                                     "<C:Red>hot</C> cold",
                                                     "<C:$00FF00><B>up</B> 3", ""});
  const json Blocks = json::parse(Refresh.substr(0, Refresh.size() - 2));
  // One colour over the whole line: the block's colour, the text plain.
  EXPECT_EQ(Blocks[0], json::parse(R"({"full_text":"CPU 5%","name":"line1","color":"#FF0000"})"));
  // No markup: the text as it is, unescaped for Pango (i3bar shows it literally).
  EXPECT_EQ(Blocks[1], json::parse(R"({"full_text":"plain & ","name":"line2"})"));
  // Two colours: Pango spans.
  EXPECT_EQ(Blocks[2]["full_text"], "<span foreground=\"#FF0000\">hot</span> cold");
  EXPECT_EQ(Blocks[2]["markup"], "pango");
  EXPECT_FALSE(Blocks[2].contains("color"));
  // One colour and bold: the colour in the block, bold in Pango.
  EXPECT_EQ(Blocks[3]["full_text"], "<b>up</b> 3");
  EXPECT_EQ(Blocks[3]["color"], "#00FF00");
  EXPECT_EQ(Blocks[3]["markup"], "pango");
  EXPECT_EQ(Blocks[4], json::parse(R"({"full_text":"","name":"line5"})"));
}

TEST(I3barWriterTest, AwkwardTextsArriveAsWritten) {
  const std::string Refresh = Write(TI3barWriter{}, Awkward);
  const json Blocks = json::parse(Refresh.substr(0, Refresh.size() - 2));
  EXPECT_EQ(Blocks[0]["full_text"], "say \"hi\" \\ C:\\temp\\");
  EXPECT_EQ(Blocks[1]["full_text"], std::string("tab\there\nnew\rline\x01\x1F") + '\0' + "end");
  EXPECT_EQ(Blocks[3]["full_text"], "<b>a</b><b><i>b</i></b><b><i><u>c</u></i></b><i><u>d</u></i><u>e</u>");
  EXPECT_EQ(Blocks[4]["full_text"], "");
  EXPECT_EQ(Blocks[6]["full_text"], "46\u00BA \u20AC \u0081 < & \u041F\u0440");
}

TEST(WaybarWriterTest, TextTooltipClassAndPercentage) {
  const TWaybarWriter Writer("cpu", TFormatSettings{});
  const std::string Line = Write(Writer, {"<B>CPU</B> 42% & <C:Red>hot</C>", "up 3 days"}, "42");
  ASSERT_TRUE(Line.ends_with("}\n"));
  EXPECT_EQ(Line.find('\n'), Line.size() - 1);
  const json Object = json::parse(Line);
  EXPECT_EQ(Object["text"], "<b>CPU</b> 42% &amp; <span foreground=\"#FF0000\">hot</span>");
  EXPECT_EQ(Object["tooltip"],
            "<b>CPU</b> 42% &amp; <span foreground=\"#FF0000\">hot</span>\nup 3 days");
  EXPECT_EQ(Object["class"], "cpu");
  EXPECT_EQ(Object["percentage"], 42);
  // "text" comes first, as Waybar's documentation writes it.
  EXPECT_TRUE(Line.starts_with("{\"text\":"));
}

TEST(WaybarWriterTest, PercentageAndClassLeftOutWhenThereIsNone) {
  const TWaybarWriter Writer("", TFormatSettings{});
  for (const char* Percentage : {"", "  ", "n/a", "12 34", "<B></B>", "1e3", "nan", "inf"}) {
    const json Object = json::parse(Write(Writer, {"x"}, Percentage));
    EXPECT_FALSE(Object.contains("percentage")) << Percentage;
    EXPECT_FALSE(Object.contains("class"));
  }
  EXPECT_EQ(json::parse(Write(Writer, {}))["text"], "");
}

TEST(WaybarWriterTest, AwkwardTextsGiveOneValidLine) {
  const std::string Line = Write(TWaybarWriter("a \"b\" \\c\x01", TFormatSettings{}), Awkward);
  EXPECT_EQ(Line.find('\n'), Line.size() - 1);
  const json Object = json::parse(Line);
  EXPECT_EQ(Object["text"], "say &quot;hi&quot; \\ C:\\temp\\");
  EXPECT_EQ(Object["class"], "a \"b\" \\c\x01");
}

TEST(PercentageValueTest, NumbersAsTheLocaleWritesThem) {
  const TFormatSettings Dot;
  EXPECT_EQ(PercentageValue("42", Dot), 42);
  EXPECT_EQ(PercentageValue(" 42.5 ", Dot), 43);
  EXPECT_EQ(PercentageValue("<C:Red>7.49</C> %", Dot), 7);
  EXPECT_EQ(PercentageValue("-3", Dot), -3);
  EXPECT_EQ(PercentageValue("1,234.0", Dot), 1234);
  EXPECT_EQ(PercentageValue("100%%", Dot), std::nullopt);
  EXPECT_EQ(PercentageValue("1e20", Dot), std::nullopt);
  EXPECT_EQ(PercentageValue("99999999999999999999", Dot), std::nullopt);
  TFormatSettings Comma;
  Comma.DecimalSeparator = ",";
  Comma.ThousandSeparator = ".";
  EXPECT_EQ(PercentageValue("12,6", Comma), 13);
  EXPECT_EQ(PercentageValue("1.234,4", Comma), 1234);
  TFormatSettings Blank;
  Blank.DecimalSeparator = ",";
  Blank.ThousandSeparator = "\xA0";
  EXPECT_EQ(PercentageValue("1\xA0" "000,0", Blank), 1000);
}

TEST(JsonLinesWriterTest, LinesWithoutMarkupAndTheTime) {
  const json Object = json::parse(Write(TJsonLinesWriter{}, Awkward));
  ASSERT_EQ(Object["lines"].size(), Awkward.size());
  EXPECT_EQ(Object["lines"][0], Awkward[0]);
  EXPECT_EQ(Object["lines"][2], "red light navy sys x");
  EXPECT_EQ(Object["lines"][3], "abcde");
  EXPECT_EQ(Object["lines"][4], "");
  EXPECT_EQ(Object["lines"][5], "");
  EXPECT_TRUE(Object["time"].is_string());
  EXPECT_EQ(json::parse(Write(TJsonLinesWriter{}, {}))["lines"], json::array());
}

class LocalTimeTest : public ::testing::Test {
 protected:
  void SetTimeZone(const char* Zone) {
    setenv("TZ", Zone, 1);
    tzset();
  }
  ~LocalTimeTest() override {
    if (Saved) {
      setenv("TZ", Saved->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> Saved =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(LocalTimeTest, IsoWithTheOffsetOfTheZone) {
  const auto Time = std::chrono::system_clock::from_time_t(1700000000);  // 2023-11-14 22:13:20Z
  SetTimeZone("UTC0");
  EXPECT_EQ(IsoLocalTime(Time), "2023-11-14T22:13:20+00:00");
  SetTimeZone("XST-5:30");
  EXPECT_EQ(IsoLocalTime(Time), "2023-11-15T03:43:20+05:30");
  SetTimeZone("YST3");
  EXPECT_EQ(IsoLocalTime(Time), "2023-11-14T19:13:20-03:00");
}

// Captions pieced together at random from markup, characters JSON and Pango cannot carry
// raw, and stray bytes: every writer still gives JSON a parser reads.
TEST(RefreshWritersTest, RandomCaptionsAlwaysGiveValidJson) {
  const std::vector<std::string> Pieces = {
      "<B>", "</B>", "<I>", "</I>", "<U>", "</U>", "<C:Red>", "<C:$12AB>", "<C:$>", "</C>",
      "<S:3>", "</S>", "<RU>", "<EU>", "<<>", "</>", "<", ">", "&", "\"", "\\", "'",
      std::string(1, '\0'), "\x01", "\x1F", "\n", "\x7F", "\x81", "\xBA", "\xFF", "text", " "};
  std::mt19937 Random(20240501);
  std::uniform_int_distribution<std::size_t> Pick(0, Pieces.size() - 1);
  std::uniform_int_distribution<int> Length(0, 12);
  const TI3barWriter I3bar;
  const TWaybarWriter Waybar("class", TFormatSettings{});
  const TJsonLinesWriter Json;
  for (int Round = 0; Round < 300; ++Round) {
    std::vector<std::string> Lines(static_cast<std::size_t>(Length(Random) % 4));
    for (std::string& Line : Lines)
      for (int I = Length(Random); I > 0; --I) Line += Pieces[Pick(Random)];
    const std::string Blocks = Write(I3bar, Lines);
    ASSERT_EQ(json::parse(Blocks.substr(0, Blocks.size() - 2)).size(), Lines.size());
    ASSERT_NO_THROW(json::parse(Write(Waybar, Lines, Lines.empty() ? "" : Lines[0])));
    ASSERT_EQ(json::parse(Write(Json, Lines))["lines"].size(), Lines.size());
  }
}

TEST(PlainWriterTest, ConvertsFromCodePage1252AndStripsOnRequest) {
  EXPECT_EQ(Write(TPlainWriter(false, "UTF-8"), {"46\xBA", "<B>x</B>"}),
            "46\xC2\xBA\n<B>x</B>\n");
  EXPECT_EQ(Write(TPlainWriter(true, "UTF-8"), {"<B>x</B>", ""}), "x\n\n");
}

}  // namespace
}  // namespace dravel
