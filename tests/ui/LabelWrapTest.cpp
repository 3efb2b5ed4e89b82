#include <gtest/gtest.h>

#include <vector>

#include "ui/LabelWrap.h"

namespace {

using ui::kNoUnderline;
using ui::LabelLine;
using ui::WrapLabel;

// A font in which an ASCII character is one unit wide and any other character two.
int Measure(std::string_view text) {
  int width = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
      ++width;
    else if ((byte & 0xC0) == 0xC0)
      width += 2;  // the lead byte of a wide character
  }
  return width;
}

std::vector<std::string> Lines(std::string_view caption, int width, int height = 1000, int lineHeight = 10) {
  std::vector<std::string> texts;
  for (const LabelLine& line : WrapLabel(caption, width, height, lineHeight, Measure)) texts.push_back(line.text);
  return texts;
}

using Texts = std::vector<std::string>;

TEST(WrapLabel, JapaneseBreaksBetweenAnyTwoCharacters) {
  EXPECT_EQ(Lines("あいうえおかきくけこ", 8), (Texts{"あいうえ", "おかきく", "けこ"}));
  EXPECT_EQ(Lines("あいうえ", 8), (Texts{"あいうえ"}));
}

TEST(WrapLabel, ClosingAndOpeningMarksStayWithTheirNeighbours) {
  EXPECT_EQ(Lines("あいう。えお", 6), (Texts{"あい", "う。え", "お"}));
  EXPECT_EQ(Lines("あい「うえ」", 6), (Texts{"あい", "「う", "え」"}));  // and opening marks with the one after
}

TEST(WrapLabel, WordsBreakAtSpacesAndSpacesHangAtTheEnd) {
  EXPECT_EQ(Lines("hello world again", 11), (Texts{"hello world", "again"}));
  EXPECT_EQ(Lines("hello    world", 7), (Texts{"hello", "world"}));
  EXPECT_EQ(Lines("  indented text", 20), (Texts{"  indented text"}));
}

TEST(WrapLabel, MixedTextBreaksAtSpacesAndBetweenJapaneseCharacters) {
  EXPECT_EQ(Lines("abc 日本語テキスト", 9), (Texts{"abc 日本", "語テキス", "ト"}));
  // An ASCII word is not split where it meets Japanese text on a line of its own.
  EXPECT_EQ(Lines("2GB (約 2,097,152 KB) 辺りで", 12), (Texts{"2GB (約", "2,097,152", "KB) 辺りで"}));
  EXPECT_EQ(Lines("Outlook ファイル\\個人用", 14), (Texts{"Outlook ファイ", "ル\\個人用"}));
}

TEST(WrapLabel, AWordWiderThanTheLabelIsBrokenWhereItNoLongerFits) {
  EXPECT_EQ(Lines("C:\\Users\\someone\\outlook.pst", 10), (Texts{"C:\\Users\\s", "omeone\\out", "look.pst"}));
  EXPECT_EQ(Lines("ab", 0), (Texts{"a", "b"}));  // at least one character a line
}

TEST(WrapLabel, LinesBelowTheLabelAreCutAndAPartlyVisibleOneIsKept) {
  const std::string_view text = "あいうえおかきくけこさしすせそ";  // three lines of 8
  EXPECT_EQ(Lines(text, 10, 11, 12).size(), 1u);
  EXPECT_EQ(Lines(text, 10, 24, 12).size(), 2u);
  EXPECT_EQ(Lines(text, 10, 25, 12).size(), 3u);
  EXPECT_TRUE(Lines(text, 10, 0, 12).empty());
  EXPECT_TRUE(Lines("", 10).empty());
}

TEST(WrapLabel, LineEndsStartNewLines) {
  EXPECT_EQ(Lines("one\r\ntwo\n\nfour", 100), (Texts{"one", "two", "", "four"}));
}

TEST(WrapLabel, AmpersandMarksTheAccessKeyAndTwoShowOne) {
  const auto wrap = [](std::string_view caption, int width) { return WrapLabel(caption, width, 100, 10, Measure); };
  std::vector<LabelLine> lines = wrap("&Open", 20);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "Open");
  EXPECT_EQ(lines[0].underline, 0u);

  lines = wrap("Fish && Chips", 20);
  EXPECT_EQ(lines[0].text, "Fish & Chips");
  EXPECT_EQ(lines[0].underline, kNoUnderline);

  lines = wrap("参照(&R)", 20);
  EXPECT_EQ(lines[0].text, "参照(R)");
  EXPECT_EQ(lines[0].underline, 7u);  // byte offset of R

  // The marker's width does not count, and the key keeps its place on a later line.
  lines = wrap("one two &three", 7);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "one two");
  EXPECT_EQ(lines[0].underline, kNoUnderline);
  EXPECT_EQ(lines[1].text, "three");
  EXPECT_EQ(lines[1].underline, 0u);

  EXPECT_EQ(wrap("50&", 20)[0].text, "50&");
}

TEST(WrapLabel, InvalidUtf8IsKeptByteForByte) {
  EXPECT_EQ(Lines("a\xff"
                  "b",
                  10),
            (Texts{"a\xff"
                   "b"}));
  // The overlong C0 80 is two invalid bytes, as the code page conversion reads it,
  // not one character.
  EXPECT_EQ(Lines("a\xc0\x80", 1), (Texts{"a", "\xc0", "\x80"}));
}

}  // namespace
