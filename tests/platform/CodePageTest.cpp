#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

using platform::FromAnsi;
using platform::ToAnsi;

TEST(CodePage, JapaneseTextBecomesShiftJis) {
  EXPECT_EQ(ToAnsi("Orvane 起動"), "Orvane \x8b\x4e\x93\xae");
  EXPECT_EQ(ToAnsi("個人用フォルダ"), "\x8c\xc2\x90\x6c\x97\x70\x83\x74\x83\x48\x83\x8b\x83\x5f");
  EXPECT_EQ(ToAnsi("：、。"), "\x81\x46\x81\x41\x81\x42");
  EXPECT_EQ(ToAnsi("C:\\Mail\\a.pst"), "C:\\Mail\\a.pst");
}

TEST(CodePage, CharacterOutsideTheCodePageBecomesOneQuestionMark) {
  EXPECT_EQ(ToAnsi("a€b"), "a?b");
  EXPECT_EQ(ToAnsi("xé"), "x?");
  EXPECT_EQ(ToAnsi("한글"), "??");
  EXPECT_EQ(ToAnsi("日\xff本"), "\x93\xfa?\x96\x7b");  // an invalid UTF-8 byte
}

TEST(CodePage, ShiftJisDecodesBackToTheSameText) {
  for (const char* text : {"", "plain", "警告サイズ取得：1572864", "半角ｶﾀｶﾅ", "表示\\ソ"}) {
    EXPECT_EQ(FromAnsi(ToAnsi(text)), text);
  }
}

TEST(CodePage, InvalidShiftJisDoesNotStopTheConversion) {
  const std::string decoded = FromAnsi("ab\x82");  // a lead byte without its trail byte
  EXPECT_EQ(decoded.substr(0, 2), "ab");
  EXPECT_EQ(FromAnsi("\x93\xfa\x96\x7b"), "日本");
}

TEST(CodePage, Utf16LittleEndianToUtf8) {
  using namespace std::string_literals;
  EXPECT_EQ(platform::Utf16LeToUtf8("O\0u\0t\0"s), "Out");
  EXPECT_EQ(platform::Utf16LeToUtf8("\xe5\x65\x2c\x67"s), "日本");
  EXPECT_EQ(platform::Utf16LeToUtf8("\x3d\xd8\x00\xde"s), "\xf0\x9f\x98\x80");  // a surrogate pair
  EXPECT_EQ(platform::Utf16LeToUtf8("\x3d\xd8"s), "\xef\xbf\xbd");             // a lone surrogate
  EXPECT_EQ(platform::Utf16LeToUtf8("A\0B"s), "A");                           // an odd last byte
}

TEST(CodePage, Utf8ToUtf16AndCharacterCount) {
  EXPECT_EQ(platform::Utf8ToUtf16("a日\xf0\x9f\x98\x80"), (std::u16string{u'a', u'日', 0xD83D, 0xDE00}));
  EXPECT_EQ(platform::CountCharacters("2024/03/05"), 10u);
  EXPECT_EQ(platform::CountCharacters("午後 9:15:42"), 10u);
  EXPECT_EQ(platform::CountCharacters("\xff\xfe"), 2u);
}

}  // namespace
