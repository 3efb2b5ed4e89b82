// Linux only: other copies of the program at once, on the same user's files:
// they take turns, and no exclusion or line is lost.
#include "e2e/FaultCases.h"

namespace {

using namespace fault_cases;

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
