// Linux only: a program installed for every user, in a folder its users cannot
// write, run by an ordinary user (a test running as root runs it as nobody; root
// may write any folder).
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/Program.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Installation;
using testing_support::ReadBytes;
using testing_support::ReadLogMessages;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";

// Makes `path` the property of the user the program runs as.
void GiveToTheUser(const fs::path& path) {
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
}

class SharedInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::MakeStoreFile(orvane_.driveC() / "big.pst", 1'700'000'000);
    orvane_.WriteRegistry(testing_support::ProfileWithStores({{kUid, "C:\\big.pst"}}));
    // The administrator's settings, then the folder closed to users.
    WriteBytes(orvane_.ini().string(), kAdminSettings);
    fs::create_directory(home_);
    GiveToTheUser(home_);
    fs::permissions(orvane_.folder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  void TearDown() override { fs::permissions(orvane_.folder(), fs::perms::owner_write, fs::perm_options::add); }

  // Runs `program` (the installed one unless a role of the test program is named)
  // as an ordinary user whose home is home_, with `env` added.
  testing_support::ProgramResult RunAsUser(std::vector<std::string> env = {}, const std::string& role = {}) const {
    env.insert(env.end(), {"WINEPREFIX=" + orvane_.prefix().string(), "HOME=" + home_.string(), "PATH=/usr/bin:/bin"});
    std::string program = orvane_.program().string();
    if (!role.empty()) {
      program = fs::read_symlink("/proc/self/exe").string();
      env.insert(env.end(), {"ORVANE_TEST_CHILD=" + role, "ORVANE_CHILD_FOLDER=" + orvane_.folder().string()});
    }
    return testing_support::Wait(testing_support::Spawn(program, {}, env, true), std::chrono::seconds(20));
  }

  static constexpr const char* kAdminSettings = "[Orvane]\r\nWarningSize=100\r\n";
  TempDir dir_;
  Installation orvane_{dir_.path() / "program"};
  fs::path home_ = dir_.path() / "home";
  fs::path userIni_ = home_ / ".config/orvane/Orvane.ini";
  fs::path userLog_ = home_ / ".local/state/orvane/Orvane.log";
};

// However large, the administrator's file is read once in a run, not once for
// each setting read in turn from it and from the user's file.
TEST_F(SharedInstall, AdministratorsFileIsReadOnce) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  // Closes too: inotify folds an event into the same one before it.
  ASSERT_GE(inotify_add_watch(watch, orvane_.ini().c_str(), IN_OPEN | IN_CLOSE), 0);
  ASSERT_TRUE(RunAsUser().finished);
  int opens = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
    for (char* at = events; at < events + n; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
      opens += (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) != 0 ? 1 : 0;
  }
  close(watch);
  EXPECT_EQ(opens, 2);  // a look whether it can be read, and the read
}

TEST_F(SharedInstall, UserFolderThatCannotBeMadeIsLoggedWhereItCanBe) {
  const fs::path file = home_ / "a-file";
  WriteBytes(file.string(), "");
  GiveToTheUser(file);
  auto result = RunAsUser({"XDG_CONFIG_HOME=" + file.string()});
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> log = ReadLogMessages(userLog_.string());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[1], "フォルダを作成できません: " + file.string() + "/orvane");
  EXPECT_EQ(log.back(), "Orvane 終了");

  // No folder of the user's can be made at all: nothing to log to, the run still ends.
  result = RunAsUser({"XDG_CONFIG_HOME=" + file.string(), "XDG_STATE_HOME=" + file.string()});
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadBytes(orvane_.ini().string()), kAdminSettings);
}

// An administrator's file that does not give all it holds says so: one that
// begins with UTF-8's byte-order mark loses its first section (the mark is part
// of the header's line, as on Windows), and a link that leads nowhere is no
// file to read.
TEST_F(SharedInstall, AnAdministratorsFileThatGivesLessIsNamed) {
  WriteBytes(orvane_.ini().string(), "\xEF\xBB\xBF[Orvane]\r\nWarningSize=100\r\n");
  ASSERT_TRUE(RunAsUser().finished);
  std::vector<std::string> log = ReadLogMessages(userLog_.string());
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "管理者の設定ファイルの最初のセクションは読まれません: " + orvane_.ini().string() +
                           " (UTF-8 のバイト順マークで始まっています)"),
            1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "警告サイズ取得：1572864"), 1);

  fs::remove(orvane_.ini());
  fs::create_symlink(dir_.path() / "gone.ini", orvane_.ini());
  ASSERT_TRUE(RunAsUser().finished);
  log = ReadLogMessages(userLog_.string());
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "管理者の設定ファイルを読み込めません: " + orvane_.ini().string() + " (リンク先がありません)"),
            1);
}

}  // namespace
