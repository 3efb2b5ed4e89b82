// Linux only: the real program among file systems that never answer, asked to
// end, and with the system log and journald as receivers of its events.
#include "e2e/FaultCases.h"

namespace {

using namespace fault_cases;

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

}  // namespace
