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
  // Look-alikes that other tables for this code page map and Windows' does not.
  EXPECT_EQ(ToAnsi("〜£‖—¢¬−‾¥"), "?????????");
  // One '?' per UTF-16 unit: a character outside the basic plane is two.
  EXPECT_EQ(ToAnsi("名🙂x"), "\x96\xbc??x");
}

TEST(CodePage, CharacterWithTwoCodesTakesTheOneWindowsWrites) {
  EXPECT_EQ(ToAnsi("ⅰ纊"), "\xfa\x40\xfa\x5c");  // not the copies in rows ED and EE
  EXPECT_EQ(ToAnsi("∵￢Ⅰ"), "\x81\xe6\x81\xca\x87\x54");
  EXPECT_EQ(ToAnsi("\xc2\x80\xee\x80\x80\xef\xa3\xb0\xef\xa3\xb3"), "\x80\xf0\x40\xa0\xff");  // U+0080 E000 F8F0 F8F3
}

TEST(CodePage, BestFitWritesLookAlikesWhereThereAreAny) {
  EXPECT_EQ(platform::ToAnsiBestFit("Ⅱß"), "\x87\x55s");
  EXPECT_EQ(platform::ToAnsiBestFit("éÅ¥ゔ"), "eA\\\x83\x94");
  EXPECT_EQ(platform::ToAnsiBestFit("〜€🙂"), "????");
  EXPECT_EQ(ToAnsi("Ⅱß"), "\x87\x55?");
}

TEST(CodePage, ShiftJisDecodesBackToTheSameText) {
  for (const char* text : {"", "plain", "警告サイズ取得：1572864", "半角ｶﾀｶﾅ", "表示\\ソ"}) {
    EXPECT_EQ(FromAnsi(ToAnsi(text)), text);
  }
}

TEST(CodePage, EveryByteDecodesAsWindowsDecodesIt) {
  using namespace std::string_literals;
  EXPECT_EQ(FromAnsi("\x93\xfa\x96\x7b"), "日本");
  // Invalid: a lead byte at the end, before a NUL, or with a byte that cannot trail it.
  EXPECT_EQ(FromAnsi("ab\x82"), "ab・");
  EXPECT_EQ(FromAnsi("\x82\0a"s), "・\0a"s);
  EXPECT_EQ(FromAnsi("\x81\x20\x81\x7f"), "・・");
  // The bytes that are neither ASCII nor kana, and the extension rows.
  EXPECT_EQ(FromAnsi("\x80\xa0\xfd\xfe\xff"), "\xc2\x80\xef\xa3\xb0\xef\xa3\xb1\xef\xa3\xb2\xef\xa3\xb3");
  EXPECT_EQ(FromAnsi("\x87\x40\xed\x40\xee\xf9\xfa\x40\xfc\x4b"), "①纊￢ⅰ黑");
  EXPECT_EQ(FromAnsi("\xf0\x40\xf9\xfc"), "\xee\x80\x80\xee\x9d\x97");  // user-defined: U+E000, U+E757
}

TEST(CodePage, Utf16LittleEndianToUtf8) {
  using namespace std::string_literals;
  EXPECT_EQ(platform::Utf16LeToUtf8("O\0u\0t\0"s), "Out");
  EXPECT_EQ(platform::Utf16LeToUtf8("\xe5\x65\x2c\x67"s), "日本");
  EXPECT_EQ(platform::Utf16LeToUtf8("\x3d\xd8\x00\xde"s), "\xf0\x9f\x98\x80");  // a surrogate pair
  EXPECT_EQ(platform::Utf16LeToUtf8("\x3d\xd8"s), "\xef\xbf\xbd");              // a lone surrogate
  EXPECT_EQ(platform::Utf16LeToUtf8("A\0B"s), "A");                             // an odd last byte
}

TEST(CodePage, Utf8ToUtf16AndCharacterCount) {
  EXPECT_EQ(platform::Utf8ToUtf16("a日\xf0\x9f\x98\x80"), (std::u16string{u'a', u'日', 0xD83D, 0xDE00}));
  EXPECT_EQ(platform::CountCharacters("2024/03/05"), 10u);
  EXPECT_EQ(platform::CountCharacters("午後 9:15:42"), 10u);
  EXPECT_EQ(platform::CountCharacters("\xff\xfe"), 2u);
}

// Every reader of UTF-8 text shares one decoder: an overlong form, a surrogate, a
// code point past U+10FFFF and a sequence cut short are each invalid, byte by byte.
TEST(CodePage, Utf8DecodingIsStrict) {
  for (const std::string_view bad : {"\xc0\x80", "\xe0\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe6\x97"}) {
    std::size_t pos = 0;
    EXPECT_EQ(platform::DecodeUtf8(bad, pos), platform::kInvalidUtf8) << bad;
    EXPECT_EQ(pos, 1u) << bad;
    EXPECT_EQ(platform::CountCharacters(bad), bad.size()) << bad;
    EXPECT_EQ(platform::Utf8ToUtf16(bad), std::u16string(bad.size(), u'\uFFFD')) << bad;
  }
  std::size_t pos = 0;
  EXPECT_EQ(platform::DecodeUtf8("\xf4\x8f\xbf\xbf", pos), U'\U0010FFFF');
  EXPECT_EQ(pos, 4u);
}

}  // namespace
