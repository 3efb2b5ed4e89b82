// The INI rules of the profile-string service. The same cases run against the
// Windows service (under Wine) and against our Linux implementation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ProfileString.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// The text the service leaves in a zeroed buffer of `size` bytes.
std::string Read(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view fallback = "#default", std::size_t size = 1024) {
  std::vector<char> buffer(size, '\0');
  platform::ReadProfileValue(section, key, fallback, buffer.data(), buffer.size(), file);
  return std::string(buffer.data(),
                     static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
}

// `text` in UTF-16LE; a Unicode settings file starts with kUtf16Mark.
const std::string kUtf16Mark = "\xff\xfe";
std::string Utf16(std::u16string_view text) { return platform::ToUtf16Le(text); }

bool Write(const std::string& file, std::string_view section, std::string_view key, std::string_view value) {
  return platform::WriteProfileValue(section, key, value, file);
}

class ProfileRead : public testing::Test {
 protected:
  std::string With(const std::string& bytes) {
    WriteBytes(file_, bytes);
    return file_;
  }
  TempDir dir_;
  std::string file_ = dir_.File("Orvane.ini");
};

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

class ProfileWrite : public ProfileRead {};

TEST_F(ProfileWrite, NewSectionsAndKeysGoAtTheEndAsKeyEqualsValueWithCrLf) {
  EXPECT_TRUE(Write(file_, "App1", "key1", "string1"));
  EXPECT_TRUE(Write(file_, "App1", "key2", "string2"));
  EXPECT_TRUE(Write(file_, "App2", "key4", "string4"));
  EXPECT_TRUE(Write(file_, "App1", "key3", "string3"));
  EXPECT_TRUE(Write(file_, "App3", "key5", ""));
  EXPECT_EQ(ReadBytes(file_),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=\r\n");
  EXPECT_EQ(Read(file_, "App3", "key5"), "");
}

TEST_F(ProfileWrite, UnicodeFileIsReadAndKeptAsUnicode) {
  // 警告 is U+8B66 U+544A; the comment holds an unpaired surrogate (D800), which no
  // other text can stand for.
  const std::string original = kUtf16Mark + Utf16(u"; x") + std::string("\x00\xd8", 2) +
                               Utf16(u"\r\n[Orvane]\r\nWarningTitle=\u8b66\u544a\r\nWarningSize=100\r\n");
  const std::string f = With(original);
  EXPECT_EQ(Read(f, "orvane", "WarningTitle"), "\x8c\x78\x8d\x90");  // code page 932
  EXPECT_EQ(Read(f, "Orvane", "WarningSize"), "100");
  EXPECT_TRUE(Write(f, "No Check", "Visible", "0"));
  const std::string after = ReadBytes(f);
  EXPECT_TRUE(after.starts_with(original)) << "the file stays UTF-16 and keeps its lines";
  EXPECT_NE(after.find(Utf16(u"Visible=0")), std::string::npos);
  EXPECT_EQ(Read(f, "No Check", "Visible"), "0");
  EXPECT_EQ(Read(f, "Orvane", "WarningTitle"), "\x8c\x78\x8d\x90");
}

TEST_F(ProfileWrite, UnicodeFileFindsAndEditsJapaneseNames) {
  // In UTF-8 設定 (U+8A2D U+5B9A) is E8 A8 AD E5 AE 9A: bytes that start double-byte
  // characters in code page 932 must not swallow the ']' or the letter after them.
  const std::string f =
      With(kUtf16Mark + Utf16(u"[\u8a2d\u5b9a]\r\n\u80fd\u529b=5\r\n\u5b9aa=6\r\n[Orvane]\r\nk=1\r\n"));
  const std::string section = "\x90\xdd\x92\xe8";  // 設定 in code page 932
  const std::string ability = "\x94\x5c\x97\xcd";  // 能力
  EXPECT_EQ(Read(f, section, ability), "5");
  EXPECT_EQ(Read(f, section, "\x92\xe8\x41"), "6");  // 定A: an ASCII letter matches in any case
  EXPECT_TRUE(Write(f, section, "LimitSize", "7"));
  EXPECT_TRUE(Write(f, section, ability, "8"));
  EXPECT_EQ(Read(f, section, "LimitSize"), "7");
  EXPECT_EQ(Read(f, section, ability), "8");
  EXPECT_EQ(ReadBytes(f),
            kUtf16Mark + Utf16(u"[\u8a2d\u5b9a]\r\n\u80fd\u529b=8\r\n\u5b9aa=6\r\nLimitSize=7\r\n[Orvane]\r\nk=1\r\n"));
}

TEST_F(ProfileWrite, ExistingKeyKeepsItsPlaceAndTheFilesSpelling) {
  const std::string f = With("[Sect]\r\nKey=old\r\nOther=1\r\n");
  EXPECT_TRUE(Write(f, "SECT", "key", "new"));
  EXPECT_EQ(ReadBytes(f), "[Sect]\r\nKey=new\r\nOther=1\r\n");
}

TEST_F(ProfileWrite, NewKeyFollowsTheLastLineOfTheFirstMatchingSection) {
  const std::string f = With("[S]\r\na=1\r\n; about T\r\n[T]\r\nx=1\r\n[s]\r\nc=3\r\n");
  EXPECT_TRUE(Write(f, "s", "b", "2"));
  EXPECT_EQ(ReadBytes(f), "[S]\r\na=1\r\n; about T\r\nb=2\r\n[T]\r\nx=1\r\n[s]\r\nc=3\r\n");
}

TEST_F(ProfileWrite, LastLineWithoutLineEndGetsOneBeforeTheNewLines) {
  const std::string f = With("[S]\r\na=1");
  EXPECT_TRUE(Write(f, "T", "k", "v"));
  EXPECT_EQ(ReadBytes(f), "[S]\r\na=1\r\n[T]\r\nk=v\r\n");
}

TEST_F(ProfileWrite, SameValueLeavesTheFileByteForByte) {
  const std::string original = "[S]\n  a = 1  \n\n; note\n";
  const std::string f = With(original);
  EXPECT_TRUE(Write(f, "s", "A", "1"));
  EXPECT_EQ(ReadBytes(f), original);
}

TEST_F(ProfileWrite, EveryOtherByteOfAHandEditedFileSurvives) {
  if (platform::kWindows)
    GTEST_SKIP() << "Wine rewrites the whole file: blank lines go, lines are re-spaced, LF becomes CR LF";
  const std::string f = With("; top comment\n\n[S]\n  a = 1 \n; about b\nb=2\nnoeq line\n\n\n[T]\n\tx = 1\n\n");
  EXPECT_TRUE(Write(f, "S", "a", "22"));
  EXPECT_TRUE(Write(f, "S", "c", "3"));
  EXPECT_TRUE(Write(f, "U", "k", "v"));
  EXPECT_EQ(ReadBytes(f),
            "; top comment\n\n[S]\n  a = 22 \n; about b\nb=2\nnoeq line\nc=3\n\n\n[T]\n\tx = 1\n\n[U]\nk=v\n");
}

TEST_F(ProfileWrite, NewLinesEndLikeTheFilesLines) {
  if (platform::kWindows) GTEST_SKIP() << "Wine writes every line with CR LF";
  EXPECT_TRUE(Write(With("[S]\ra=1\r"), "S", "b", "2"));
  EXPECT_EQ(ReadBytes(file_), "[S]\ra=1\rb=2\r");
  EXPECT_TRUE(Write(With("[S]\na=1"), "T", "b", "2"));
  EXPECT_EQ(ReadBytes(file_), "[S]\na=1\n[T]\nb=2\n");
}

TEST_F(ProfileWrite, EntryThatWouldNotStayOnOneLineIsRefused) {
  const struct {
    std::string section, key, value;
  } refused[] = {
      {"S", "crlf", "line1\r\nline2=zz"},
      {"S", "lf", "a\nb"},
      {"S", "cr", "a\rb"},
      {"S", "k=x", "v"},
      {"S", "k\r\n", "v"},
      {"S]x", "k", "v"},
      {"S\r\n[Injected]", "k", "v"},
      {"S", "[a]", "v"},
      {"S", " ;k", "v"},
      {"S", "nul", std::string("a\0b", 3)},
  };
  const std::string original = "[S]\r\nkeep=1\r\n";
  for (const auto& entry : refused) {
    SCOPED_TRACE(testing::PrintToString(entry.section + "|" + entry.key + "|" + entry.value));
    EXPECT_FALSE(Write(With(original), entry.section, entry.key, entry.value));
    EXPECT_EQ(ReadBytes(file_), original);
    EXPECT_FALSE(Write(dir_.File("new.ini"), entry.section, entry.key, entry.value));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "new.ini"));
  }
}

TEST_F(ProfileWrite, DoubleByteCharactersWhoseSecondByteIsABracketAreAccepted) {
  // ゾ is 83 5D, ソ is 83 5C.
  EXPECT_TRUE(Write(file_, "\x83\x5d", "\x83\x5c", "\x83\x5d"));
  EXPECT_EQ(ReadBytes(file_), "[\x83\x5d]\r\n\x83\x5c=\x83\x5d\r\n");
  EXPECT_EQ(Read(file_, "\x83\x5d", "\x83\x5c"), "\x83\x5d");
}

TEST_F(ProfileWrite, FailsInAMissingFolderAndLeavesNothingBehind) {
  EXPECT_FALSE(Write(dir_.File("no-folder/Orvane.ini"), "S", "k", "v"));
  EXPECT_TRUE(Write(file_, "S", "k", "v"));
  EXPECT_TRUE(Write(file_, "S", "k", "w"));
  EXPECT_TRUE(Write(file_, "S", "k", "w"));
  EXPECT_EQ(dir_.EntryCount(), 1u);  // no temporary or lock file stays
}

TEST_F(ProfileWrite, CopiesLeftByWritersThatAreGoneAreRemovedAndNoOtherFile) {
  // No process can have the id 2147483644: above every Linux process id, and no
  // Windows process gets one that high.
  const std::vector<std::string> left = {"Orvane.ini.~2147483644-1-2.tmp", "Orvane.ini.~2147483640-4000000000-0.tmp"};
  const std::vector<std::string> others = {
      "Orvane.ini.~" + std::to_string(getpid()) + "-1-2.tmp",  // its writer still runs
      "Orvane.ini.~abc.tmp",
      "Other.ini.~1-2-3.tmp",
      "Orvane.ini.~2147483644-1.tmp",
      "Orvane.ini.~2147483644-1-2.tmpx",
      "Orvane.ini.~2147483644-1-2-3.tmp",
      "Orvane.ini.~+2147483644-1-2.tmp",
      "Orvane.ini.~99999999999999999999-1-2.tmp",
      "xOrvane.ini.~2147483644-1-2.tmp",
  };
  for (const std::string& name : left) WriteBytes(dir_.File(name), "[Orvane]\r\n");
  for (const std::string& name : others) WriteBytes(dir_.File(name), "[Orvane]\r\n");
  EXPECT_TRUE(Write(file_, "Orvane", "WarningSize", "1"));
  EXPECT_EQ(Read(file_, "Orvane", "WarningSize"), "1");
  for (const std::string& name : left) EXPECT_FALSE(std::filesystem::exists(dir_.path() / name)) << name;
  for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(dir_.path() / name)) << name;
  EXPECT_EQ(dir_.EntryCount(), others.size() + 1);
}

TEST_F(ProfileWrite, ConcurrentWritersLoseNothing) {
  WriteBytes(file_, "[No Check]\r\nVisible=1\r\n");
  constexpr int kWriters = 8;
  constexpr int kEach = 6;
  std::vector<std::thread> writers;
  std::vector<int> failures(kWriters, 0);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i) {
        const std::string uid = "UID" + std::to_string(w) + "X" + std::to_string(i);
        if (!Write(file_, "No Check", uid, "C:\\mail\\" + uid + ".pst")) ++failures[static_cast<std::size_t>(w)];
      }
    });
  }
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(std::count(failures.begin(), failures.end(), 0), kWriters);
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kEach; ++i) {
      const std::string uid = "UID" + std::to_string(w) + "X" + std::to_string(i);
      EXPECT_EQ(Read(file_, "No Check", uid), "C:\\mail\\" + uid + ".pst");
    }
  }
  EXPECT_EQ(Read(file_, "No Check", "Visible"), "1");
  EXPECT_EQ(dir_.EntryCount(), 1u);
}

}  // namespace
