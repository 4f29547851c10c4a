// JSON strings written by hand, read back by a real JSON parser.
#include "JsonText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace dravel {
namespace {

std::string Quoted(std::string_view Text) {
  std::string Out;
  AppendJsonString(Out, Text);
  return Out;
}

// What a JSON parser reads back from the written string.
std::string RoundTrip(std::string_view Text) {
  return nlohmann::json::parse(Quoted(Text)).get<std::string>();
}

const std::string Replacement = "\xEF\xBF\xBD";

TEST(JsonStringTest, QuotesAndBackslashesAreEscaped) {
  EXPECT_EQ(Quoted("say \"hi\" \\ bye"), R"("say \"hi\" \\ bye")");
  EXPECT_EQ(RoundTrip("\"\\\"\\\\"), "\"\\\"\\\\");
  EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(JsonStringTest, EveryControlCharacterSurvivesAParser) {
  for (int Byte = 0; Byte < 0x20; ++Byte) {
    const std::string Text = std::string("a") + static_cast<char>(Byte) + "b";
    const std::string Written = Quoted(Text);
    for (const char C : Written) EXPECT_GE(static_cast<unsigned char>(C), 0x20) << Byte;
    EXPECT_EQ(RoundTrip(Text), Text) << Byte;
  }
  EXPECT_EQ(Quoted("\n\t\r\b\f"), R"("\n\t\r\b\f")");
  EXPECT_EQ(Quoted(std::string(1, '\0')), R"("\u0000")");
  EXPECT_EQ(Quoted("\x1F"), R"("\u001f")");
  EXPECT_EQ(RoundTrip("\x7F"), "\x7F");  // DEL needs no escape
}

TEST(JsonStringTest, WellFormedUtf8IsKept) {
  const std::string Text = "46\xC2\xBA \xE2\x82\xAC \xF0\x9F\x98\x80 \xD0\x96";
  EXPECT_EQ(Quoted(Text), "\"" + Text + "\"");
  EXPECT_EQ(RoundTrip(Text), Text);
}

TEST(JsonStringTest, MalformedUtf8BecomesReplacementCharacters) {
  // A lone continuation byte, a lead byte at the end, a lead byte before ASCII, an
  // overlong "/", an encoded surrogate, a code point past U+10FFFF, a CP1252 byte.
  EXPECT_EQ(RoundTrip("a\x80z"), "a" + Replacement + "z");
  EXPECT_EQ(RoundTrip("a\xE2\x82"), "a" + Replacement + Replacement);
  EXPECT_EQ(RoundTrip("\xC3("), Replacement + "(");
  EXPECT_EQ(RoundTrip("\xC0\xAF"), Replacement + Replacement);
  EXPECT_EQ(RoundTrip("\xED\xA0\x80"), Replacement + Replacement + Replacement);
  EXPECT_EQ(RoundTrip("\xF4\x90\x80\x80"), Replacement + Replacement +
                                               Replacement + Replacement);
  EXPECT_EQ(RoundTrip("46\xBA"), "46" + Replacement);
  // A quote right after a broken sequence is still escaped.
  EXPECT_EQ(RoundTrip("\xE2\""), Replacement + "\"");
}

TEST(JsonStringTest, EveryByteStringOfTwoBytesGivesValidJson) {
  for (int First = 0; First < 256; ++First) {
    for (int Second = 0; Second < 256; Second += 5) {
      const std::string Text{static_cast<char>(First), static_cast<char>(Second)};
      EXPECT_NO_THROW(RoundTrip(Text)) << First << " " << Second;
    }
  }
}

}  // namespace
}  // namespace dravel
