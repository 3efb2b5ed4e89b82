// The INI rules of the profile-string service as it reads: names, blanks,
// quotes, comments, sections, line ends and cut values.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ProfileString.h"
#include "platform/ProfileStringCases.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

using namespace profile_string_cases;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST_F(ProfileRead, AsciiNamesMatchInAnyCase) {
  const std::string f = With("[Orvane]\r\nWarningSize=5\r\n");
  EXPECT_EQ(Read(f, "ORVANE", "warningsize"), "5");
  EXPECT_EQ(Read(f, "oRvAnE", "WARNINGSIZE"), "5");
}

TEST_F(ProfileRead, DoubleByteNamesMatchExactlyEvenWhereTheirSecondByteIsALetter) {
  // ア is 83 41 and ヂ is 83 61: folding the second byte as a letter would match them.
  const std::string f = With("[\x83\x41]\r\n\x83\x41=kana\r\n\x82\x60=full\r\n");
  EXPECT_EQ(Read(f, "\x83\x41", "\x83\x41"), "kana");
  EXPECT_EQ(Read(f, "\x83\x61", "\x83\x41"), "#default");
  EXPECT_EQ(Read(f, "\x83\x41", "\x83\x61"), "#default");
  EXPECT_EQ(Read(f, "\x83\x41", "\x82\x81"), "#default");  // full-width Ａ and ａ
}

TEST_F(ProfileRead, BlanksRoundNamesAndValuesAreIgnoredButInnerOnesCount) {
  const std::string f = With("  [ Sp Sec ]  \r\n\t Key One \t=\t value  with  inner \t\r\n");
  EXPECT_EQ(Read(f, "Sp Sec", "Key One"), "value  with  inner");
  EXPECT_EQ(Read(f, " Sp Sec ", "  Key One\t"), "value  with  inner");
  EXPECT_EQ(Read(f, "Sp  Sec", "Key One"), "#default");
  EXPECT_EQ(Read(f, "Sp Sec", "KeyOne"), "#default");
}

TEST_F(ProfileRead, OnePairOfMatchingQuotesIsRemovedFromValuesNotNames) {
  const std::string f = With(
      "[Q]\r\na=\"abc\"\r\nb='abc'\r\nc=\"abc\r\nd=\"abc'\r\ne=\"\r\nf=\"\"\r\ng=\"a\"b\"\r\n"
      "h= \"  x  \" \r\n\"qk\"=2\r\n");
  EXPECT_EQ(Read(f, "Q", "a"), "abc");
  EXPECT_EQ(Read(f, "Q", "b"), "abc");
  EXPECT_EQ(Read(f, "Q", "c"), "\"abc");
  EXPECT_EQ(Read(f, "Q", "d"), "\"abc'");
  EXPECT_EQ(Read(f, "Q", "e"), "\"");
  EXPECT_EQ(Read(f, "Q", "f"), "");
  EXPECT_EQ(Read(f, "Q", "g"), "a\"b");
  EXPECT_EQ(Read(f, "Q", "h"), "  x  ");
  EXPECT_EQ(Read(f, "Q", "qk"), "#default");
  EXPECT_EQ(Read(f, "Q", "\"qk\""), "2");
}

TEST_F(ProfileRead, OnlyALineStartingWithSemicolonIsAComment) {
  const std::string f = With("[C]\r\n;k=commented\r\n  ;j=indented\r\n#h=hash\r\nv=val ;inline\r\n");
  EXPECT_EQ(Read(f, "C", "k"), "#default");
  EXPECT_EQ(Read(f, "C", "j"), "#default");
  EXPECT_EQ(Read(f, "C", "#h"), "hash");
  EXPECT_EQ(Read(f, "C", "v"), "val ;inline");
}

TEST_F(ProfileRead, KeyLinesSplitAtTheFirstEqualsAndEmptyValuesAreNotTheDefault) {
  const std::string f = With("[E]\r\nnoeq line\r\nempty=\r\nblank=   \r\neqs=a=b=c\r\n");
  EXPECT_EQ(Read(f, "E", "noeq line"), "#default");
  EXPECT_EQ(Read(f, "E", "empty"), "");
  EXPECT_EQ(Read(f, "E", "blank"), "");
  EXPECT_EQ(Read(f, "E", "eqs"), "a=b=c");
}

TEST_F(ProfileRead, HeaderNameRunsToTheLastBracketAndAnUnclosedOneIsNoHeader) {
  const std::string f = With("[a]b]\r\nk1=1\r\n[t] junk\r\nk2=2\r\n[abc\r\nk3=3\r\n[\x83\x5d]\r\nk4=4\r\n");
  EXPECT_EQ(Read(f, "a]b", "k1"), "1");
  EXPECT_EQ(Read(f, "t", "k2"), "2");
  EXPECT_EQ(Read(f, "t", "k3"), "3");
  EXPECT_EQ(Read(f, "abc", "k3"), "#default");
  EXPECT_EQ(Read(f, "\x83\x5d", "k4"), "4");  // ゾ: its second byte is ']'
}

TEST_F(ProfileRead, FirstOfDuplicateKeysAndSectionsWins) {
  const std::string f = With("[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\nonly=later\r\n");
  EXPECT_EQ(Read(f, "S", "k"), "first");
  EXPECT_EQ(Read(f, "S", "only"), "#default");
}

TEST_F(ProfileRead, CrLfLfAndCrLineEndsAllRead) {
  for (const std::string eol : {"\r\n", "\n", "\r", "\r\r\n", "\n\n"}) {
    const std::string f = With("[A]" + eol + "x=1" + eol + eol + "[B]" + eol + "y=2");
    EXPECT_EQ(Read(f, "A", "x"), "1") << testing::PrintToString(eol);
    EXPECT_EQ(Read(f, "B", "y"), "2") << testing::PrintToString(eol);
  }
}

TEST_F(ProfileRead, EditsByOthersBetweenReadsAreSeen) {
  const std::string f = With("[No Check]\r\nA=C:\\a.pst\r\n");
  EXPECT_EQ(Read(f, "No Check", "A"), "C:\\a.pst");
  WriteBytes(f, "[No Check]\r\nA=C:\\moved\\a.pst\r\nB=b\r\n");
  EXPECT_EQ(Read(f, "No Check", "A"), "C:\\moved\\a.pst");
  EXPECT_EQ(Read(f, "No Check", "B"), "b");
  std::filesystem::remove(f);
  EXPECT_EQ(Read(f, "No Check", "B"), "#default");
}

TEST_F(ProfileRead, ManyLookupsInALargeFile) {
  auto path = [](int i) { return std::string("C:\\Mail\\").append(std::to_string(i)).append(".pst"); };
  auto key = [](int i) { return std::string("K").append(std::to_string(i)); };
  std::string text = "[Orvane]\r\nWarningSize=1\r\n[No Check]\r\n";
  for (int i = 0; i < 10000; ++i) text.append(key(i)).append("=").append(path(i)).append("\r\n");
  text += "[no check]\r\nK1=hidden\r\n";
  const std::string f = With(text);
  for (int i = 0; i < 10000; i += 7) ASSERT_EQ(Read(f, "no CHECK", key(i)), path(i));
  EXPECT_EQ(Read(f, "No Check", "K10000"), "#default");
  EXPECT_TRUE(Write(f, "No Check", "K10000", "new"));
  EXPECT_EQ(Read(f, "No Check", "K10000"), "new");
}

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(Read(file_, "Orvane", "LimitSize"), "#default");
  EXPECT_EQ(Read(dir_.File("no-folder/Orvane.ini"), "Orvane", "LimitSize"), "#default");
  EXPECT_EQ(dir_.EntryCount(), 0u);
  const std::string f = With("[Orvane]\r\nLimitSize=1\r\n");
  EXPECT_EQ(Read(f, "Other", "LimitSize"), "#default");
  EXPECT_EQ(Read(f, "Orvane", "Other"), "#default");
  EXPECT_EQ(Read(f, "Orvane", "Other", "default  "), "default");
  EXPECT_EQ(Read(f, "Orvane", "Other", ""), "");
}

TEST_F(ProfileRead, LongValuesAreCutTo1023Bytes) {
  const std::string f = With("[L]\r\nexact=" + std::string(1023, 'x') + "\r\nlong=" + std::string(1500, 'y') + "\r\n");
  char buffer[1024];
  EXPECT_EQ(platform::ReadProfileValue("L", "exact", "", buffer, sizeof buffer, f), 1023u);
  EXPECT_EQ(std::string(buffer), std::string(1023, 'x'));
  EXPECT_EQ(platform::ReadProfileValue("L", "long", "", buffer, sizeof buffer, f), 1023u);
  EXPECT_EQ(std::string(buffer), std::string(1500, 'y').substr(0, 1023));
}

TEST_F(ProfileRead, CutNeverSplitsADoubleByteCharacter) {
  std::string a600;
  for (int i = 0; i < 600; ++i) a600 += "\x82\xa0";  // あ
  const std::string f = With("[J]\r\nkana=" + a600 + "\r\nedge=" + std::string(1022, 'x') +
                             "\x82\xa0\r\nfits=" + std::string(1021, 'x') + "\x82\xa0\r\n");
  EXPECT_EQ(Read(f, "J", "kana"), a600.substr(0, 1022));
  EXPECT_EQ(Read(f, "J", "edge"), std::string(1022, 'x'));
  EXPECT_EQ(Read(f, "J", "fits"), std::string(1021, 'x') + "\x82\xa0");
  EXPECT_EQ(Read(f, "J", "kana", "", 6), "\x82\xa0\x82\xa0");
}

TEST_F(ProfileRead, CutEndsWithItsOwnNulWhateverTheBufferHeld) {
  if (platform::kWindows) GTEST_SKIP() << "Wine leaves the byte before the NUL as the caller had it";
  std::string a600;
  for (int i = 0; i < 600; ++i) a600 += "\x82\xa0";
  const std::string f = With("[J]\r\nkana=" + a600 + "\r\n");
  std::vector<char> buffer(1024, '#');
  EXPECT_EQ(platform::ReadProfileValue("J", "kana", "", buffer.data(), buffer.size(), f), 1022u);
  EXPECT_EQ(std::string(buffer.data()), a600.substr(0, 1022));
}

TEST_F(ProfileRead, WhereWineDiffersFromWindowsTheLinuxServiceFollowsWindows) {
  if (platform::kWindows) GTEST_SKIP() << "these are the cases Wine's profile service gets wrong";
  // A UTF-8 byte-order mark is no mark to Windows: its bytes belong to the first
  // line, which is then no header, and the file stays in the ANSI code page.
  EXPECT_EQ(Read(With("\xef\xbb\xbf[S]\r\nk=v\r\n"), "S", "k"), "#default");
  EXPECT_EQ(Read(With("\xef\xbb\xbf;c\r\n[S]\r\nk=\xe6\x97\xa5\r\n"), "S", "k"), "\xe6\x97\xa5");
  // A quoted value of exactly 1,023 bytes comes back whole (Wine gives 1,022).
  EXPECT_EQ(Read(With("[S]\r\nk=\"" + std::string(1023, 'x') + "\"\r\n"), "S", "k"), std::string(1023, 'x'));
  // A line without '=' is no key, even ahead of the key of the same name.
  EXPECT_EQ(Read(With("[S]\r\nk\r\nk=v\r\n"), "S", "k"), "v");
}

}  // namespace
