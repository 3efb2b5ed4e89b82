// Linux only: the real program against damaged input and faults of its own
// folder. Whatever happens, it must end on its own, promptly, with every line the
// user wrote still in place.
#include "e2e/FaultCases.h"

namespace {

using namespace fault_cases;

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
