// How the Linux writer replaces the settings file on disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/ProfileString.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Files larger than `bytes` cannot be written while this lives: a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int);
};

TEST(ProfileReplace, FullDiskLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  const std::string original = "[Orvane]\r\nWarningSize=1000000\r\n";
  WriteBytes(file, original);
  {
    FileSizeLimit limit(4096);
    EXPECT_FALSE(platform::WriteProfileValue("Orvane", "WarningMsg", std::string(10000, 'x'), file));
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(ProfileReplace, KeepsTheFilesPermissionsAndItsLink) {
  TempDir dir;
  fs::create_directory(dir.path() / "real");
  const std::string target = dir.File("real/shared.ini");
  const std::string link = dir.File("Orvane.ini");
  WriteBytes(target, "[S]\r\na=1\r\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, link);
  ASSERT_TRUE(platform::WriteProfileValue("S", "b", "2", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[S]\r\na=1\r\nb=2\r\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ProfileReplace, ReadOnlyFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  WriteBytes(file, "[S]\r\na=1\r\n");
  fs::permissions(file, fs::perms::owner_read);
  EXPECT_FALSE(platform::WriteProfileValue("S", "a", "2", file));
  EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\n");
}

}  // namespace
