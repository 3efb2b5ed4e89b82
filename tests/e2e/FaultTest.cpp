// Linux only: the real program against damaged input, odd file systems, faults and
// other copies of itself. Whatever happens, it must end on its own, promptly, with
// every line the user wrote still in place.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "check/mdlOrvane.h"
#include "e2e/Program.h"
#include "log/EventFields.h"
#include "platform/CodePage.h"
#include "support/ChildRole.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ExpectCompleteRun;
using testing_support::Installation;
using testing_support::MakeStoreFile;
using testing_support::ProfileWithStores;
using testing_support::ReadBytes;
using testing_support::ReadLogMessages;
using testing_support::StoreEntry;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every line of `before` is still in `after`, in the same order.
bool KeepsEveryLine(const std::string& before, const std::string& after) {
  const std::vector<std::string> old = SplitLines(before);
  const std::vector<std::string> now = SplitLines(after);
  std::size_t j = 0;
  for (const std::string& line : old) {
    while (j < now.size() && now[j] != line) ++j;
    if (j == now.size()) return false;
    ++j;
  }
  return true;
}

// The temporary copies of the settings file `ini` in its folder.
std::size_t CopiesBeside(const fs::path& ini) {
  const std::string prefix = ini.filename().string() + ".~";
  std::size_t copies = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(ini.parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && name.ends_with(".tmp")) ++copies;
  }
  return copies;
}

class Faults : public ::testing::Test {
 protected:
  TempDir dir_;
  Installation orvane_{dir_.path()};
};

TEST_F(Faults, DamagedRegistriesEndTheRunNormally) {
  const std::string header = "WINE REGISTRY Version 2\n";
  std::mt19937 random(5);
  std::string junk(64 * 1024, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  const std::string profile = ProfileWithStores({{kUid, "C:\\Mail\\a.pst"}});
  std::string deep = "[Software";
  for (int i = 0; i < 1000; ++i) deep += "\\\\Level" + std::to_string(i);
  deep += "]\n\"v\"=\"deep\"\n";
  std::string big = "[Software\\\\Big]\n\"Huge\"=hex:";
  for (int i = 0; i < 1024 * 1024; ++i) big += i == 0 ? "41" : ",41";
  big += "\n\"Text\"=\"" + std::string(1024 * 1024, 'x') + "\"\n";
  std::string large = header;
  while (large.size() < 50u * 1024 * 1024) {
    large += "[Software\\\\Padding\\\\K" + std::to_string(large.size()) + "]\n\"Name\"=\"" + std::string(200, 'p') +
             "\"\n\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f\n";
  }
  large += profile;

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"binary junk", junk},
      {"junk after the header", header + junk},
      {"cut in the middle of a line", (header + profile).substr(0, header.size() + profile.size() / 2)},
      {"keys nested a thousand deep", header + deep + profile},
      {"a 1 MB value", header + big + profile},
      {"invalid escapes", header + "[Software\\\\Esc\\xg\\q\\777]\n\"\\x\"=\"\\x\\xzz\\\\\\9\\\n\"" + "\n" + profile},
      {"50 MB", large},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    WriteBytes((orvane_.prefix() / "user.reg").string(), text);
    const auto result = orvane_.Run({}, std::chrono::seconds(30));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.status, 0);
    ExpectCompleteRun(orvane_);
  }
  // A pipe in place of the registry file is never waited on.
  fs::remove(orvane_.prefix() / "user.reg");
  ASSERT_EQ(mkfifo((orvane_.prefix() / "user.reg").c_str(), 0600), 0);
  ASSERT_TRUE(orvane_.Run({}, std::chrono::seconds(10)).finished);
  ExpectCompleteRun(orvane_);
}

TEST_F(Faults, DamagedSettingsFilesKeepEveryLine) {
  std::string tenMegabytes = "[Orvane]\r\nWarningTitle=" + std::string(10 * 1024 * 1024, 'T') + "\r\n";
  std::string withNul = std::string("[Orvane]\r\nWarning\0Size=5\r\nLimitSize=1\0\r\n[No Check]\r\nVisible=0\r\n", 61);
  std::string utf16 = "\xff\xfe" + platform::Utf8ToUtf16Le("[Orvane]\r\nWarningSize=100\r\n");
  std::string badDbcs = "[Orvane]\r\nWarningTitle=\x82\r\nWarningMsg=\x81\x7f\xfd\xfe\r\n";
  std::string manySections;
  for (int i = 0; i < 5000; ++i)
    manySections += "[Section" + std::to_string(i) + "]\r\nKey=" + std::to_string(i) + "\r\n";

  for (const auto& [name, text] :
       std::vector<std::pair<std::string, std::string>>{{"a 10 MB line", tenMegabytes},
                                                        {"NUL bytes", withNul},
                                                        {"a UTF-16 file", utf16},
                                                        {"invalid double-byte sequences", badDbcs},
                                                        {"thousands of sections", manySections}}) {
    SCOPED_TRACE(name);
    WriteBytes(orvane_.ini().string(), text);
    const auto result = orvane_.Run({}, std::chrono::seconds(30));
    ASSERT_TRUE(result.finished);
    ExpectCompleteRun(orvane_);
    EXPECT_TRUE(KeepsEveryLine(text, ReadBytes(orvane_.ini().string())));
  }
  // A pipe in place of the settings file is never waited on, and stays a pipe.
  fs::remove(orvane_.ini());
  ASSERT_EQ(mkfifo(orvane_.ini().c_str(), 0600), 0);
  ASSERT_TRUE(orvane_.Run({}, std::chrono::seconds(10)).finished);
  ExpectCompleteRun(orvane_);
  EXPECT_TRUE(fs::is_fifo(orvane_.ini()));
}

TEST_F(Faults, OddStorePathsAreLoggedAndPassedOver) {
  const fs::path mail = orvane_.driveC() / "Mail";
  fs::create_directories(mail);
  ASSERT_EQ(mkfifo((mail / "fifo.pst").c_str(), 0600), 0);
  fs::create_symlink(mail / "nowhere.pst", mail / "broken.pst");
  fs::create_symlink(mail / "loop.pst", mail / "loop.pst");
  MakeStoreFile(mail / "naïve€.pst", 1700000000);
  MakeStoreFile(mail / "huge.pst", 5ull * 1024 * 1024 * 1024 + 1);
  fs::create_directory_symlink("/", orvane_.prefix() / "dosdevices" / "z:");
  orvane_.WriteRegistry(ProfileWithStores({
      {"00000000000000000000000000000001", "C:\\Mail\\fifo.pst"},
      {"00000000000000000000000000000002", "Z:\\dev\\zero"},
      {"00000000000000000000000000000003", "C:\\Mail\\broken.pst"},
      {"00000000000000000000000000000004", "C:\\Mail\\loop.pst"},
      {"00000000000000000000000000000005", "C:\\Mail\\naïve€.pst", true},
      {"00000000000000000000000000000006", "C:\\Mail\\" + std::string(2000, 'x') + ".pst", true},
      {"00000000000000000000000000000007", "C:\\Mail\\huge.pst"},
  }));
  const auto result = orvane_.Run({}, std::chrono::seconds(10));
  ASSERT_TRUE(result.finished);
  ExpectCompleteRun(orvane_);
  std::vector<std::string> outcomes;
  for (const std::string& line : ReadLogMessages(orvane_.log().string())) {
    if (line.starts_with("ファイル") || line.starts_with("サイズ") || line.starts_with("警告画面"))
      outcomes.push_back(line);
  }
  EXPECT_EQ(outcomes, (std::vector<std::string>{
                          "ファイルが存在しません",         // a pipe is never opened
                          "ファイルが存在しません",         // nor a device
                          "ファイルが存在しません",         // a broken link
                          "ファイルが存在しません",         // a looping link
                          "サイズ：1660157, 警告画面表示",  // a name outside code page 932
                          "警告画面を表示できません: ディスプレイに接続できません",
                          "ファイルが存在しません",         // a 2000-character path
                          "サイズ：5242881, 警告画面表示",  // more than 4 GiB
                          "警告画面を表示できません: ディスプレイに接続できません",
                      }));
}

// Starts the program as the dead-mount role does (DeadMounts.cpp), with `env`
// added to the installation's.
int StartAmongDeadMounts(const Installation& orvane, std::vector<std::string> env) {
  env.insert(env.end(), {"WINEPREFIX=" + orvane.prefix().string(), "HOME=" + orvane.folder().string(),
                         "PATH=/usr/bin:/bin", "ASAN_OPTIONS=detect_leaks=0", "ORVANE_TEST_CHILD=run-with-dead-mount",
                         "ORVANE_CHILD_PROGRAM=" + orvane.program().string()});
  return testing_support::Spawn(fs::read_symlink("/proc/self/exe").string(), {}, env);
}

bool CanMountDeadFolders() { return geteuid() == 0 && access("/dev/fuse", R_OK | W_OK) == 0; }

// `folders` as the role takes them, separated by ':'.
std::string FolderList(const std::vector<fs::path>& folders) {
  std::string list;
  for (const fs::path& folder : folders) list += (list.empty() ? std::string() : std::string(":")) += folder.string();
  return list;
}

std::string Uid(int i) {
  char uid[33];
  std::snprintf(uid, sizeof uid, "%032X", i);
  return uid;
}

// Stores on file systems that never answer (dead network mounts) cost each file
// system its bound once: the later stores on it are given up at once with the
// same line, all the waiting together stays near 10 s, and the stores on file
// systems that answer are checked wherever they stand.
TEST_F(Faults, ADeadFileSystemCostsItsBoundOnce) {
  if (!CanMountDeadFolders()) GTEST_SKIP() << "needs root and /dev/fuse";
  MakeStoreFile(orvane_.driveC() / "Mail" / "a.pst", 1700000000);
  MakeStoreFile(orvane_.driveC() / "Mail" / "b.pst", 1700000000);
  // Five dead mounts, ten stores on each, between the two stores that answer.
  std::vector<StoreEntry> stores = {{Uid(1), "C:\\Mail\\a.pst"}};
  std::vector<fs::path> dead;
  for (int mount = 0; mount < 5; ++mount) {
    dead.push_back(orvane_.driveC() / ("dead" + std::to_string(mount)));
    for (int i = 0; i < 10; ++i)
      stores.push_back(
          {Uid(100 + mount * 10 + i), "C:\\Dead" + std::to_string(mount) + "\\" + std::to_string(i) + ".pst"});
  }
  stores.push_back({Uid(2), "C:\\Mail\\b.pst"});
  orvane_.WriteRegistry(ProfileWithStores(stores));
  const auto started = std::chrono::steady_clock::now();
  const auto result = testing_support::Wait(StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_FOLDER=" + FolderList(dead)}),
                                            std::chrono::seconds(60));
  ASSERT_TRUE(result.finished);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GT(took, std::chrono::seconds(9));
  EXPECT_LT(took, std::chrono::seconds(14));
  ExpectCompleteRun(orvane_);
  const std::vector<std::string> log = ReadLogMessages(orvane_.log().string());
  for (int mount = 0; mount < 5; ++mount)
    for (int i = 0; i < 10; ++i) {
      const std::string line = "ファイルを確認できません: C:\\Dead" + std::to_string(mount) + "\\" + std::to_string(i) +
                               ".pst (応答がありません)";
      EXPECT_EQ(std::count(log.begin(), log.end(), line), 1) << line;
    }
  EXPECT_EQ(std::count(log.begin(), log.end(), "サイズ：1660157, 警告画面表示"), 2);
}

// A run asked to end, by SIGTERM as at logout or by SIGHUP or SIGINT, which a
// session's end sends too, starts no new look and writes its end line within a
// second, however many stores are left.
TEST_F(Faults, AskedToEndItEndsWithinASecond) {
  if (!CanMountDeadFolders()) GTEST_SKIP() << "needs root and /dev/fuse";
  std::vector<StoreEntry> stores;
  std::vector<fs::path> dead;
  for (int mount = 0; mount < 20; ++mount) {
    dead.push_back(orvane_.driveC() / ("dead" + std::to_string(mount)));
    for (int i = 0; i < 50; ++i)
      stores.push_back({Uid(mount * 50 + i), "C:\\dead" + std::to_string(mount) + "\\" + std::to_string(i) + ".pst"});
  }
  orvane_.WriteRegistry(ProfileWithStores(stores));
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal);
    const int pid = StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_FOLDER=" + FolderList(dead)});
    std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(pid, signal);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(testing_support::Wait(pid, std::chrono::seconds(30)).finished);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    const std::vector<std::string> log = ReadLogMessages(orvane_.log().string());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Orvane 終了");
    EXPECT_NE(std::find(log.begin(), log.end(), "ファイルを確認できません: C:\\dead19\\49.pst (終了を求められました)"),
              log.end());
  }
}

// A file system whose server takes a request and never answers it (a hung sshfs)
// leaves a process waiting on it unkillable: the look is not the run's process,
// which ends within its bound and is gone. The settings file's or the log's
// folder on such a file system is given up before the first line, with a failure
// event in the system's log.
TEST_F(Faults, ARequestNeverAnsweredCannotKeepTheRun) {
  if (!CanMountDeadFolders()) GTEST_SKIP() << "needs root and /dev/fuse";
  MakeStoreFile(orvane_.driveC() / "Mail" / "a.pst", 1700000000);
  orvane_.WriteRegistry(ProfileWithStores({{Uid(1), "C:\\taken\\b.pst"}, {Uid(2), "C:\\Mail\\a.pst"}}));
  const auto started = std::chrono::steady_clock::now();
  const auto result = testing_support::Wait(
      StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_TAKEN=" + (orvane_.driveC() / "taken").string()}),
      std::chrono::seconds(15));
  ASSERT_TRUE(result.finished);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
  ExpectCompleteRun(orvane_);
  const std::vector<std::string> log = ReadLogMessages(orvane_.log().string());
  EXPECT_EQ(std::count(log.begin(), log.end(), "ファイルを確認できません: C:\\taken\\b.pst (応答がありません)"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "サイズ：1660157, 警告画面表示"), 1);

  // The program kept in a shared folder, its files in the user's folders, the
  // log's on a file system that takes requests and never answers.
  std::ofstream(orvane_.folder() / "Orvane.shared").put('\n');
  const fs::path state = orvane_.folder() / "state";
  const fs::path events = orvane_.folder() / "events.txt";
  const auto before = std::chrono::steady_clock::now();
  const auto silent = testing_support::Wait(
      StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_TAKEN=" + state.string(), "XDG_STATE_HOME=" + state.string(),
                                     "ORVANE_CHILD_SYSLOG=" + events.string()}),
      std::chrono::seconds(15));
  ASSERT_TRUE(silent.finished);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(6));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_NE(ReadBytes(events.string())
                .find("message=\"フォルダを使用できません: " + (state / "orvane").string() + " (応答がありません)\""),
            std::string::npos)
      << ReadBytes(events.string());
}

// A system log that reads, but slower than a burst comes, gets every event of it:
// a full queue is waited for, about a second in all.
TEST_F(Faults, AWorkingSystemLogGetsEveryEvent) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a /dev/log of its own";
  std::vector<StoreEntry> stores;
  for (int i = 0; i < 100; ++i) {
    const std::string name = std::to_string(i) + ".pst";
    MakeStoreFile(orvane_.driveC() / name, 1700000000);
    stores.push_back({Uid(i), "C:\\" + name});
  }
  orvane_.WriteRegistry(ProfileWithStores(stores));
  // One of them excluded by the user earlier: still counted.
  WriteBytes(orvane_.ini().string(), "[Orvane]\r\nReportOnly=1\r\n[No Check]\r\n" + Uid(7) + "=C:\\7.pst\r\n");
  const fs::path events = orvane_.folder() / "events.txt";
  const auto result = testing_support::Wait(
      StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_SYSLOG=" + events.string(), "ORVANE_CHILD_SYSLOG_PACE=5"}),
      std::chrono::seconds(30));
  ASSERT_TRUE(result.finished);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::size_t caught = 0;
  for (const std::string& line : SplitLines(ReadBytes(events.string())))
    caught += line.find(" id=1000 ") != std::string::npos;
  EXPECT_EQ(caught, 100u);
  const std::vector<std::string> log = ReadLogMessages(orvane_.log().string());
  EXPECT_EQ(std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("システムログ"); }),
            log.end());
}

// Where journald listens, each event is one entry whose fields are named: every
// field of the program's table, the user's, and a name with a line break in it
// whole (the journal's binary form); the line itself is its MESSAGE.
TEST_F(Faults, JournaldGetsEachFieldNamed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a journal socket of its own";
  MakeStoreFile(orvane_.driveC() / "a.pst", 1700000000);
  orvane_.WriteRegistry(ProfileWithStores({{kUid, "C:\\a.pst", false, "受信\n2"}}));
  const fs::path entries = orvane_.folder() / "journal.bin";
  const auto result = testing_support::Wait(StartAmongDeadMounts(orvane_, {"ORVANE_CHILD_JOURNAL=" + entries.string()}),
                                            std::chrono::seconds(30));
  ASSERT_TRUE(result.finished);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // The entries, each a map of its fields.
  const std::string bytes = ReadBytes(entries.string());
  std::vector<std::map<std::string, std::string>> journal;
  const auto number = [&](std::size_t at) {
    std::uint64_t n = 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return static_cast<std::size_t>(n);
  };
  for (std::size_t at = 0; at + 8 <= bytes.size();) {
    const std::size_t end = at + 8 + number(at);
    auto& entry = journal.emplace_back();
    for (std::size_t p = at + 8; p < end;) {
      const std::size_t line = bytes.find('\n', p), equals = bytes.find('=', p);
      if (equals < line) {
        entry[bytes.substr(p, equals - p)] = bytes.substr(equals + 1, line - equals - 1);
        p = line + 1;
      } else {
        const std::size_t length = number(line + 1);
        entry[bytes.substr(p, line - p)] = bytes.substr(line + 9, length);
        p = line + 9 + length + 1;
      }
    }
    at = end;
  }
  // The warning, and the failure to show it (there is no display).
  ASSERT_EQ(journal.size(), 2u);
  std::map<std::string, std::string>& failure = journal[0]["ORVANE_ID"] == "1001" ? journal[0] : journal[1];
  EXPECT_EQ(failure["PRIORITY"], "3");
  EXPECT_TRUE(failure["ORVANE_MESSAGE"].starts_with("警告画面を表示できません: ")) << failure["ORVANE_MESSAGE"];
  EXPECT_EQ(failure["ORVANE_USER"], "root");
  std::map<std::string, std::string>& event = journal[0]["ORVANE_ID"] == "1000" ? journal[0] : journal[1];
  EXPECT_EQ(event["ORVANE_ID"], "1000");
  EXPECT_EQ(event["PRIORITY"], "4");
  EXPECT_EQ(event["SYSLOG_IDENTIFIER"], "orvane");
  EXPECT_EQ(event["ORVANE_PATH"], "C:\\a.pst");
  EXPECT_EQ(event["ORVANE_NAME"], "受信\n2");
  EXPECT_EQ(event["ORVANE_DIALOG"], "not-shown");
  EXPECT_EQ(event["ORVANE_USER"], "root");
  for (const events::Field& field : events::kWarningFields) {
    std::string name = "ORVANE_";
    for (const char c : field.key) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(event.count(name), 1u) << name;
  }
  EXPECT_TRUE(event["MESSAGE"].starts_with("id=1000 path=C:\\a.pst size_kb=1660157 ")) << event["MESSAGE"];
  EXPECT_NE(event["MESSAGE"].find(" name=\"受信\\n2\" "), std::string::npos) << event["MESSAGE"];
  EXPECT_TRUE(event["MESSAGE"].ends_with(" user=root")) << event["MESSAGE"];
}

// The log is a folder: nothing can be logged, the run still ends normally. (A
// settings file that is a folder: LoadSettings' test and tests/settings/unsavable.sh.)
TEST_F(Faults, UnwritableLogDoesNotStopTheRun) {
  fs::create_directory(orvane_.log());
  const auto result = orvane_.Run();
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.status, 0);
}

TEST_F(Faults, ReadOnlyProgramFolderRunsWithDefaults) {
  const std::string settings = "[Orvane]\r\nWarningSize=100\r\n";
  WriteBytes(orvane_.ini().string(), settings);
  WriteBytes(orvane_.log().string(), "old log\r\n");
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(orvane_.ini(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(orvane_.log(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::remove);
  const auto result = testing_support::Wait(orvane_.Start({}, true), std::chrono::seconds(10));
  fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::add);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadBytes(orvane_.ini().string()), settings);
  EXPECT_EQ(ReadBytes(orvane_.log().string()), "old log\r\n");
}

// Killed at any moment while it writes its settings, the program leaves the
// settings file either as it was or with whole lines added: never half a file.
TEST_F(Faults, KilledWhileWritingSettingsLeavesAWholeFile) {
  const std::string before =
      "; my settings\r\n[Orvane]\r\nWarningTitle=Mine\r\n\r\n[No Check]\r\n" + kUid + "=C:\\Mail\\a.pst\r\n";
  WriteBytes(orvane_.ini().string(), before);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(orvane_.Run().finished);
  const auto runTime = std::chrono::steady_clock::now() - started;
  const std::string complete = ReadBytes(orvane_.ini().string());
  ASSERT_NE(complete, before);

  std::mt19937 random(11);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() + 1;
  std::set<std::size_t> states;
  for (int i = 0; i < 300; ++i) {
    WriteBytes(orvane_.ini().string(), before);
    const int pid = orvane_.Start();
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned>(span)));
    kill(pid, SIGKILL);
    testing_support::Wait(pid, std::chrono::seconds(5));
    const std::string after = ReadBytes(orvane_.ini().string());
    ASSERT_TRUE(KeepsEveryLine(before, after)) << "kill " << i << ":\n" << after;
    ASSERT_TRUE(KeepsEveryLine(after, complete)) << "kill " << i << ":\n" << after;
    ASSERT_EQ(after.size() >= 2 ? after.substr(after.size() - 2) : "", "\r\n");
    // A killed writer leaves its copy; the next writer removes it.
    ASSERT_LE(CopiesBeside(orvane_.ini()), 1u) << "kill " << i;
    states.insert(after.size());
  }
  // The kills fell before, between and after the writes.
  EXPECT_GE(states.size(), 3u);
  WriteBytes(orvane_.ini().string(), before);
  ASSERT_TRUE(orvane_.Run().finished);
  EXPECT_EQ(CopiesBeside(orvane_.ini()), 0u);
}

}  // namespace

namespace {

// A copy of the test program: one whole run for the program folder in
// ORVANE_CHILD_FOLDER and the profile of its WINEPREFIX, whose user excludes
// every store the dialog warns about.
[[maybe_unused]] const bool kExcludingRun = testing_support::RegisterChildRole("excluding-run", [] {
  testing_support::ScriptedUser user;
  user.excludes = true;
  mdlOrvane::Dialog = &user;
  mdlOrvane::Run(std::getenv("ORVANE_CHILD_FOLDER"), "Orvane");
  return 0;
});

// A run whose user sits at its warning for a while.
[[maybe_unused]] const bool kSlowUserRun = testing_support::RegisterChildRole("slow-user-run", [] {
  struct SlowUser : mdlOrvane::WarningDialog {
    mdlOrvane::DialogResult ShowModal() override {
      std::this_thread::sleep_for(std::chrono::seconds(8));
      return mdlOrvane::DialogResult::Answered;
    }
  } user;
  mdlOrvane::Dialog = &user;
  mdlOrvane::Run(std::getenv("ORVANE_CHILD_FOLDER"), "Orvane");
  return 0;
});

// Runs started together on one user's files (a double logon) take turns, each
// log whole; one that would wait too long leaves the work to the run under way
// and writes nothing.
TEST_F(Faults, RunsStartedTogetherTakeTurnsAndKeepTheLogWhole) {
  MakeStoreFile(orvane_.driveC() / "big.pst", 1700000000);
  orvane_.WriteRegistry(ProfileWithStores({{kUid, "C:\\big.pst"}}));
  std::vector<int> runs;
  for (int i = 0; i < 4; ++i) runs.push_back(orvane_.Start());
  for (const int pid : runs) EXPECT_TRUE(testing_support::Wait(pid, std::chrono::seconds(30)).finished);
  std::vector<std::string> log = ReadLogMessages(orvane_.log().string());
  ExpectCompleteRun(orvane_);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Orvane 起動"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Orvane 終了"), 1);

  const int slow = testing_support::Spawn(
      fs::read_symlink("/proc/self/exe").string(), {},
      {"ORVANE_TEST_CHILD=slow-user-run", "ORVANE_CHILD_FOLDER=" + orvane_.folder().string(),
       "WINEPREFIX=" + orvane_.prefix().string(), "HOME=" + orvane_.folder().string(), "PATH=/usr/bin:/bin"});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  // The same files and home, spelled through a link and with doubled slashes.
  const fs::path link = dir_.path() / "link";
  fs::create_directory_symlink(orvane_.folder(), link);
  const auto started = std::chrono::steady_clock::now();
  const testing_support::ProgramResult second = testing_support::Wait(
      testing_support::Spawn(orvane_.program().string(), {},
                             {"WINEPREFIX=" + orvane_.prefix().string(), "HOME=" + link.string(),
                              "XDG_STATE_HOME=" + link.string() + "//.local/state", "PATH=/usr/bin:/bin"}),
      std::chrono::seconds(30));
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(second.finished);
  EXPECT_GE(waited, std::chrono::seconds(4));
  EXPECT_LT(waited, std::chrono::seconds(7));
  EXPECT_TRUE(testing_support::Wait(slow, std::chrono::seconds(30)).finished);
  log = ReadLogMessages(orvane_.log().string());
  EXPECT_EQ(std::count(log.begin(), log.end(), "Orvane 起動"), 1);
  EXPECT_EQ(log.back(), "Orvane 終了");

  // The lock is a file in a folder of the user's alone, which another account can
  // neither take nor see, and which is gone once the runs have ended.
  const fs::path locks = orvane_.folder() / ".local/state/orvane";
  EXPECT_EQ(fs::status(locks).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
  std::size_t lockFiles = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(locks))
    lockFiles += entry.path().filename().string().starts_with("orvane-");
  EXPECT_EQ(lockFiles, 0u);
  if (geteuid() == 0) {
    const pid_t other = fork();
    if (other == 0) _exit(setuid(65534) == 0 && opendir(locks.c_str()) == nullptr && errno == EACCES ? 0 : 1);
    int status = -1;
    waitpid(other, &status, 0);
    EXPECT_EQ(status, 0);
  }
}

TEST(ConcurrentRuns, TenCopiesExcludingDifferentStoresLoseNothing) {
  TempDir dir;
  constexpr int kCopies = 10;
  std::vector<std::string> expected;
  std::vector<int> children;
  for (int i = 0; i < kCopies; ++i) {
    // Each copy has its own profile with one oversized store; all share the program folder.
    const fs::path prefix = dir.path() / ("prefix" + std::to_string(i));
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink(dir.path(), prefix / "dosdevices" / "c:");
    const std::string uid = std::string(30, '0') + (i < 10 ? "0" : "") + std::to_string(i);
    const std::string path = "C:\\store" + std::to_string(i) + ".pst";
    MakeStoreFile(dir.path() / ("store" + std::to_string(i) + ".pst"), 1700000000);
    WriteBytes((prefix / "user.reg").string(), "WINE REGISTRY Version 2\n\n" + ProfileWithStores({{uid, path}}));
    expected.push_back(uid + "=" + path);

    const int pid =
        testing_support::Spawn(fs::read_symlink("/proc/self/exe").string(), {},
                               {"ORVANE_TEST_CHILD=excluding-run", "ORVANE_CHILD_FOLDER=" + dir.path().string(),
                                "WINEPREFIX=" + prefix.string(), "PATH=/usr/bin:/bin"});
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }
  for (const int pid : children) {
    const auto result = testing_support::Wait(pid, std::chrono::seconds(30));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.status, 0);
  }
  const std::vector<std::string> lines = SplitLines(ReadBytes((dir.path() / "Orvane.ini").string()));
  for (const std::string& exclusion : expected) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), exclusion), 1) << exclusion;
  }
  // Each setting exactly once, however the first runs raced to write them.
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Visible="); }),
            1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[No Check]"), 1);
}

}  // namespace
