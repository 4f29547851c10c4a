#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "platform/PerfBlockBuilder.h"

namespace dravel {
namespace {

TEST(CodePage, EveryCp1252ByteSurvivesTheTripThroughUtf8) {
  std::string All;
  for (int Byte = 1; Byte < 256; ++Byte) All += static_cast<char>(Byte);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(All)), All);
}

TEST(CodePage, Cp1252SpecialsMapToTheirUnicodeCharacters) {
  EXPECT_EQ(Cp1252ToUtf8("\x80\x93\xE9"), "\xE2\x82\xAC\xE2\x80\x9C\xC3\xA9");
  EXPECT_EQ(CodePageToUnicode(0x9F), u'\u0178');
  EXPECT_EQ(CodePageToUnicode('A'), u'A');
}

TEST(CodePage, Cp1251GivesCyrillic) {
  EXPECT_EQ(CodePageToUnicode(0xC0, TCodePage::Cp1251), u'\u0410');
  EXPECT_EQ(CodePageToUnicode(0xFF, TCodePage::Cp1251), u'\u044F');
  EXPECT_EQ(CodePageToUnicode(0xA8, TCodePage::Cp1251), u'\u0401');
  EXPECT_EQ(CodePageToUnicode(0xC0, TCodePage::Cp1252), u'\u00C0');
}

TEST(CodePage, MalformedOrForeignUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");             // overlong "/"
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");        // surrogate
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80 x"), "? x");  // outside CP1252
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "??");             // cut short
}

TEST(CodePage, SystemNamesBecomeUtf16WithBadBytesTakenAsLatin1) {
  EXPECT_EQ(Utf8ToUtf16("eth0 \xC3\xA9\xE2\x82\xAC"), u"eth0 \u00E9\u20AC");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");  // a surrogate pair
  EXPECT_EQ(Utf8ToUtf16("a\xE9" "b\xC0\xAF"), u"a\u00E9b\u00C0\u00AF");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\u00ED\u00A0\u0080");  // a lone surrogate
}

}  // namespace
}  // namespace dravel
