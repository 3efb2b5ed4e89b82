// How the Linux writer replaces the settings file on disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/ProfileString.h"
#include "platform/emulation/IniText.h"
#include "platform/posix/FileReplace.h"
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
    platform::WriteError error{};
    EXPECT_FALSE(platform::WriteProfileValue("Orvane", "WarningMsg", std::string(10000, 'x'), file, &error));
    EXPECT_EQ(error, platform::WriteError::DiskFull);
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

  // A link to nothing, or round in a loop, says what it is, and stays as it was.
  const std::string broken = dir.File("broken.ini");
  const std::string loop = dir.File("loop.ini");
  fs::create_symlink(dir.File("nothing.ini"), broken);
  fs::create_symlink(loop, loop);
  for (const auto& [file, why] :
       {std::pair{broken, platform::WriteError::BrokenLink}, std::pair{loop, platform::WriteError::LinkLoop}}) {
    platform::WriteError error{};
    EXPECT_FALSE(platform::WriteProfileValue("S", "a", "1", file, &error)) << file;
    EXPECT_EQ(error, why) << file;
    EXPECT_TRUE(fs::is_symlink(file)) << file;
  }
  EXPECT_EQ(dir.EntryCount(), 4u);
}

// A Unicode file is edited where its text changed, and every other unit stays as
// the file had it: an unpaired surrogate, an odd last byte.
TEST(Utf16File, OnlyWhatChangedIsEncodedAgain) {
  using platform::ini::EditedUtf16File;
  const std::string file = std::string(
      "\xff\xfe"
      "a\0=\0"
      "1\0"
      "\x00\xd8"
      "\xff",
      11);
  const std::string text = platform::ini::Utf16FileText(file);
  EXPECT_EQ(text, "a=1\xef\xbf\xbd");
  EXPECT_EQ(EditedUtf16File(file, text, "a=27\xef\xbf\xbd"), std::string("\xff\xfe"
                                                                         "a\0=\0"
                                                                         "2\0"
                                                                         "7\0"
                                                                         "\x00\xd8"
                                                                         "\xff",
                                                                         13));
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

namespace {

// An editor that saves by writing a copy and renaming it over the file, as many
// editors do, while a run writes the settings: every save of the editor's stays.
TEST(ProfileReplace, EditorSavingMeanwhileLosesNothing) {
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  {
    // Saved between the writer's last look and its swap: theirs is put back.
    WriteBytes(file, "[S]\r\na=1\r\n");
    struct stat read {};
    ASSERT_EQ(stat(file.c_str(), &read), 0);
    platform::WriteError error{};
    const auto copy = platform::posix::WriteCopy(file, "[S]\r\na=2\r\n", &read, &error);
    ASSERT_TRUE(copy);
    const auto result = platform::posix::InstallCopy(*copy, file, platform::posix::FileIdentity(read), -1, &error, [&] {
      WriteBytes(file + ".editing", "[S]\r\na=editor\r\n");
      fs::rename(file + ".editing", file);
    });
    EXPECT_EQ(result, platform::posix::Install::Changed);
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=editor\r\n");
    EXPECT_EQ(dir.EntryCount(), 1u);  // the copy is gone
  }
  WriteBytes(file, "[Orvane]\r\nWarningSize=0\r\n[Editor]\r\n");
  constexpr int kSaves = 300;
  std::atomic<bool> done{false};
  std::thread editor([&] {
    std::mt19937 random(5);
    for (int i = 0; i < kSaves; ++i) {
      const std::string text = ReadBytes(file) + "Save" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
      WriteBytes(file + ".editing", text);
      fs::rename(file + ".editing", file);
      // Saves a few milliseconds apart, many times faster than a person saves: an
      // editor saving twice within the microseconds of one swap of the writer's
      // could still lose the first of the two.
      std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 2000));
    }
    done = true;
  });
  int writes = 0;
  while (!done) platform::WriteProfileValue("Orvane", "WarningSize", std::to_string(++writes), file);
  editor.join();
  const std::string saved = ReadBytes(file);
  int lost = 0;
  for (int i = 0; i < kSaves; ++i) {
    if (saved.find("\r\nSave" + std::to_string(i) + "=") == std::string::npos) ++lost;
  }
  EXPECT_EQ(lost, 0) << "of " << kSaves << " saves, with " << writes << " writes";
  EXPECT_GE(writes, 10) << "the writes did not overlap the saves";
}

}  // namespace
