#include "log/mdlLogFile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "log/Reasons.h"
#include "platform/System.h"
#include "platform/SystemLog.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace {

using mdlLogFile::FormatLine;
using mdlLogFile::WriteLog;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Whether `text` fits `pattern`: '#' is a digit, '?' an optional digit, anything
// else itself.
bool Matches(const std::string& text, const std::string& pattern) {
  std::size_t t = 0;
  for (const char p : pattern) {
    const bool digit = t < text.size() && std::isdigit(static_cast<unsigned char>(text[t]));
    if (p == '#' && !digit) return false;
    if (p == '?' && !digit) continue;
    if (p != '#' && p != '?' && (t >= text.size() || text[t] != p)) return false;
    ++t;
  }
  return t == text.size();
}

TEST(LogLine, DateTimeAndMessageStartInPrintZones) {
  EXPECT_EQ(FormatLine({"2024/03/05", "19:15:42"}, "Orvane 起動"), "2024/03/05    19:15:42      Orvane 起動");
  EXPECT_EQ(FormatLine({"2024/03/05", "9:15:42"}, "x"), "2024/03/05    9:15:42       x");
}

TEST(LogLine, ZonesAreCountedInCharactersNotBytes) {
  // "午後 9:15:42" is 10 characters but 14 bytes: the message still starts in column 29.
  EXPECT_EQ(FormatLine({"2024/03/05", "午後 9:15:42"}, "m"), "2024/03/05    午後 9:15:42    m");
}

TEST(LogLine, ItemFillingItsZoneIsFollowedByAWholeZone) {
  EXPECT_EQ(FormatLine({"12345678901234", "1"}, "m"), "12345678901234              1             m");
  EXPECT_EQ(FormatLine({"", ""}, "m"), std::string(28, ' ') + "m");
}

TEST(LogFile, CreateModeDiscardsThePreviousLog) {
  TempDir dir;
  const std::string log = dir.File("Orvane.log");
  WriteBytes(log, std::string(100000, 'x'));
  WriteLog(log, "first", 1);
  WriteLog(log, "second", 0);
  WriteLog(log, "third", 7);  // any mode but 1 appends
  EXPECT_EQ(testing_support::ReadLogMessages(log), (std::vector<std::string>{"first", "second", "third"}));
}

TEST(LogFile, AppendModeCreatesAMissingLog) {
  TempDir dir;
  const std::string log = dir.File("new.log");
  WriteLog(log, "only", 0);
  EXPECT_EQ(testing_support::ReadLogMessages(log), std::vector<std::string>{"only"});
}

TEST(LogFile, LineIsShiftJisEndedByCrLfAndNeverBroken) {
  TempDir dir;
  const std::string log = dir.File("Orvane.log");
  const std::string longMessage = "プロファイル名取得：" + std::string(5000, 'k');
  WriteLog(log, "Orvane 起動", 1);
  WriteLog(log, longMessage, 0);
  const std::string bytes = ReadBytes(log);
  const std::size_t firstEnd = bytes.find("\r\n");
  ASSERT_NE(firstEnd, std::string::npos);
  EXPECT_EQ(bytes.substr(28, firstEnd - 28), "Orvane \x8b\x4e\x93\xae");
  EXPECT_EQ(bytes.substr(firstEnd + 2 + 28),
            "\x83\x76\x83\x8d\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc\x8e\xe6\x93\xbe\x81\x46" +
                std::string(5000, 'k') + "\r\n");
}

// A store's name or path goes into the log as it is: whatever it holds, one
// message is one line, and nothing in it acts on the terminal that shows the log.
TEST(LogFile, WhatWouldSplitForgeOrReorderALineIsShownInstead) {
  TempDir dir;
  const std::string log = dir.File("Orvane.log");
  WriteLog(log, "Orvane 起動", 1);
  WriteLog(log,
           "個人用フォルダ情報取得：名前\r\n2024/03/05    19:15:42      Orvane 終了\x1b[2J\t\x7f\u0085\u2028\u2029"
           "\u202e\u2066\u200f\u061c, C:\\Mail\\new\\a.pst",
           0);
  const std::vector<std::string> lines = testing_support::ReadLogMessages(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            "個人用フォルダ情報取得：名前<U+000D><U+000A>2024/03/05    19:15:42      Orvane 終了<U+001B>[2J<U+0009>"
            "<U+007F><U+0085><U+2028><U+2029><U+202E><U+2066><U+200F><U+061C>, C:\\Mail\\new\\a.pst");
}

// A log that is a second name of another file (a hard link, which an account
// could make to a file of root's where the system lets it): that file is never
// emptied or written; the log is made anew.
TEST(LogFile, AHardLinkedLogIsMadeAnewAndTheOtherFileKept) {
  TempDir dir;
  const std::string other = dir.File("system.conf");
  const std::string log = dir.File("Orvane.log");
  WriteBytes(other, "keep me\r\n");
  std::filesystem::create_hard_link(testing_support::PathFromUtf8(other), testing_support::PathFromUtf8(log));
  WriteLog(log, "more", 0);  // a line added to it is refused, saying why
  EXPECT_EQ(ReadBytes(other), "keep me\r\n");
  if (!platform::kWindows) {
    EXPECT_EQ(texts::ReasonOf(platform::WriteToFile(log, "more", platform::WriteMode::Append)),
              "ほかの名前 (ハードリンク) もあるファイルです");
  }
  WriteLog(log, "Orvane 起動", 1);
  WriteLog(log, "Orvane 終了", 0);
  EXPECT_EQ(ReadBytes(other), "keep me\r\n");
  EXPECT_EQ(testing_support::ReadLogMessages(log), (std::vector<std::string>{"Orvane 起動", "Orvane 終了"}));
  EXPECT_EQ(std::filesystem::hard_link_count(testing_support::PathFromUtf8(log)), 1u);
}

TEST(LogFile, DateAndTimeAreTheSystemsJapaneseFormats) {
  TempDir dir;
  const std::string log = dir.File("Orvane.log");
  WriteLog(log, "m", 1);
  const std::string line = ReadBytes(log);
  // Linux always writes 2024/03/05; Windows follows the user's short date format,
  // which Wine's Japanese locale writes as 2024/3/5.
  EXPECT_TRUE(Matches(line.substr(0, line.find(' ')), "####/#?/#?")) << line;
  EXPECT_TRUE(Matches(line.substr(14, line.find(' ', 14) - 14), "#?:##:##")) << line;
  EXPECT_EQ(line.substr(28), "m\r\n");
  EXPECT_EQ(line.find_first_not_of(' ', 10), 14u);
  EXPECT_EQ(line.size(), 28u + 1 + 2);
}

TEST(LogFile, UnwritableLogIsSkippedQuietlyAndCreatesNothing) {
  TempDir dir;
  // In a folder that is missing, and where a folder stands in the log's place.
  const std::string inMissingFolder = dir.File("missing-folder/Orvane.log");
  const std::string folder = dir.File("Orvane.log");
  std::filesystem::create_directory(testing_support::PathFromUtf8(folder));
  for (const std::string& log : {inMissingFolder, folder}) {
    EXPECT_NE(platform::WriteToFile(log, "x", platform::WriteMode::Create), platform::WriteError::None) << log;
    EXPECT_NE(platform::WriteToFile(log, "x", platform::WriteMode::Append), platform::WriteError::None) << log;
    WriteLog(log, "lost", 1);
    WriteLog(log, "lost", 0);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "Orvane.log"));
  EXPECT_EQ(dir.EntryCount(), 1u);
  if (!platform::kWindows) {
    // A disk that fills up while the line is written.
    EXPECT_NE(platform::WriteToFile("/dev/full", "x", platform::WriteMode::Append), platform::WriteError::None);
  }
}

}  // namespace

namespace {

// A warning's event as the Linux system log gets it: each field a key=value pair
// that a logfmt reader takes apart again, whatever the path or name holds.
TEST(SystemLog, EventLineQuotesOnlyWhatAKeyValueReaderWouldMisread) {
  using platform::FormatEventLine;
  EXPECT_EQ(FormatEventLine(1000, {{"path", "C:\\Mail\\a.pst"}, {"size_kb", "1600000"}, {"name", "個人用フォルダ"}}),
            "id=1000 path=C:\\Mail\\a.pst size_kb=1600000 name=個人用フォルダ");
  EXPECT_EQ(FormatEventLine(1001, {{"message", "a \"b\" C:\\x"}, {"empty", ""}, {"eq", "a=b"}}),
            "id=1001 message=\"a \\\"b\\\" C:\\\\x\" empty=\"\" eq=\"a=b\"");
  EXPECT_EQ(FormatEventLine(1000, {{"name", "a\r\nb\tc\x01"}}), "id=1000 name=\"a\\r\\nb\\tc\\u0001\"");
  EXPECT_EQ(FormatEventLine(1000, {{"name", "a\u0085b\u2028c\u202ed\x7f"}}),
            "id=1000 name=\"a\\u0085b\\u2028c\\u202ed\\u007f\"");
}

}  // namespace

namespace {

// An event over the bound loses only what its longest values have past their
// share, measured as the line writes them: a name of control characters, or of
// quotes and backslashes, each written twice or six times as long, is cut and
// still says something; the path and the sizes stay whole.
TEST(SystemLog, TheEventBoundCutsOnlyTheLongestValues) {
  const std::string path = "C:\\Mail\\a.pst";
  const std::vector<std::pair<std::string, std::string>> names = {
      {"3,000 control characters", std::string(3000, '\x01')},
      {"5,000 quotes and backslashes",
       [] {
         std::string name;
         for (int i = 0; i < 2500; ++i) name += "\"\\";
         return name;
       }()},
      {"10,000 kanji",
       [] {
         std::string name;
         for (int i = 0; i < 10000; ++i) name += "漢";
         return name;
       }()},
  };
  const std::string head = "<12>Dec  9 22:00:00 orvane[123]: ";
  for (const auto& [what, name] : names) {
    SCOPED_TRACE(what);
    const std::string line = platform::FormatBoundEventLine(
        head, 1000, {{"path", path}, {"size_kb", "1600000"}, {"name", name}, {"dialog", "shown"}}, 8000);
    EXPECT_LE(line.size(), 8000u);
    EXPECT_GT(line.size(), 7900u);
    EXPECT_TRUE(line.starts_with(head + "id=1000 path=C:\\Mail\\a.pst size_kb=1600000 name="));
    EXPECT_TRUE(line.ends_with("… dialog=shown") || line.ends_with("…\" dialog=shown"));
  }
  // Two long values share what is left; a short one keeps all it has.
  const std::string both = platform::FormatBoundEventLine(
      "", 1000, {{"path", std::string(9000, 'p')}, {"size_kb", "1"}, {"name", std::string(9000, 'n')}}, 8000);
  EXPECT_LE(both.size(), 8000u);
  EXPECT_NE(both.find(" size_kb=1 "), std::string::npos);
  EXPECT_NEAR(static_cast<double>(both.find(" size_kb")), static_cast<double>(both.size() - both.find(" name=")), 16);
  // Windows' insertion strings are measured as they are.
  const std::vector<platform::EventField> cut = platform::BoundFields({{"a", std::string(100, 'a')}, {"b", "b"}}, 51);
  EXPECT_EQ(cut[0].value, std::string(47, 'a') + "…");
  EXPECT_EQ(cut[1].value, "b");
}

}  // namespace
