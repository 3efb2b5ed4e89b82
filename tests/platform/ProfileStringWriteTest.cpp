// The INI rules of the profile-string service as it writes: where new lines go,
// what of the file is kept, Unicode files, refused entries and writers at once.
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
