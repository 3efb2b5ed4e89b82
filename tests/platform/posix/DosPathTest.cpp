// Linux only: Windows paths from a Wine profile resolved inside the prefix.
#include "platform/posix/DosPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FileQuery.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::posix::DosPathToUnix;
using testing_support::ScopedEnv;
using testing_support::TempDir;

class DosPath : public ::testing::Test {
 protected:
  DosPath() : prefix_(dir_.path() / "prefix"), env_("WINEPREFIX", prefix_.string()) {
    fs::create_directories(prefix_ / "dosdevices");
    fs::create_directories(prefix_ / "drive_c");
    fs::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    fs::create_directories(dir_.path() / "elsewhere");
    fs::create_directory_symlink(dir_.path() / "elsewhere", prefix_ / "dosdevices" / "d:");
  }

  fs::path Touch(const fs::path& relative, std::size_t length = 0) {
    const fs::path path = prefix_ / "drive_c" / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(length, 'x');
    return path;
  }

  std::string InDriveC(const std::string& relative) { return (prefix_ / "dosdevices" / "c:" / relative).string(); }

  TempDir dir_;
  fs::path prefix_;
  ScopedEnv env_;
};

TEST_F(DosPath, DriveLetterGoesThroughTheDosDevicesLink) {
  Touch("Mail/outlook.pst");
  EXPECT_EQ(DosPathToUnix("C:\\Mail\\outlook.pst"), InDriveC("Mail/outlook.pst"));
  EXPECT_EQ(DosPathToUnix("c:/Mail/outlook.pst"), InDriveC("Mail/outlook.pst"));
  std::ofstream(dir_.path() / "elsewhere" / "d.pst") << "dd";
  EXPECT_EQ(platform::QueryFile("D:\\d.pst").length, 2);
}

TEST_F(DosPath, ComponentsMatchWithoutRegardToCase) {
  Touch("Users/Demo/Mail/Personal.PST", 1234);
  EXPECT_EQ(DosPathToUnix("C:\\USERS\\demo\\mail\\personal.pst"), InDriveC("Users/Demo/Mail/Personal.PST"));
  EXPECT_EQ(platform::QueryFile("c:\\users\\DEMO\\MAIL\\PERSONAL.pst").length, 1234);
  Touch("Ｆｕｌｌ/Ä.pst", 3);
  EXPECT_EQ(platform::QueryFile("C:\\ｆｕｌｌ\\ä.PST").length, 3);
}

TEST_F(DosPath, ExactCaseWinsOverOtherSpellings) {
  Touch("Dup/a.pst", 11);
  Touch("Dup/A.PST", 22);
  EXPECT_EQ(platform::QueryFile("C:\\Dup\\A.PST").length, 22);
  EXPECT_EQ(platform::QueryFile("C:\\Dup\\a.pst").length, 11);
}

TEST_F(DosPath, JapaneseFolderNames) {
  Touch("users/x/メール/個人用フォルダ.pst", 7);
  EXPECT_EQ(platform::QueryFile("C:\\users\\x\\メール\\個人用フォルダ.PST").length, 7);
}

TEST_F(DosPath, DotsAndRepeatedSeparatorsAreNormalised) {
  Touch("Mail/personal.pst", 5);
  EXPECT_EQ(platform::QueryFile("C:\\Mail\\..\\Mail\\.\\\\personal.pst").length, 5);
  EXPECT_EQ(platform::QueryFile("C:\\Mail\\personal.pst. ").length, 5);
}

TEST_F(DosPath, PathsThatNameNoFileInThePrefix) {
  EXPECT_EQ(DosPathToUnix("E:\\undefined\\drive.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("\\\\server\\share\\a.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("C:\\bad\x01name.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("C:\\wild*.pst"), std::nullopt);
  EXPECT_FALSE(platform::QueryFile("C:\\missing\\a.pst").exists);
  EXPECT_FALSE(platform::QueryFile("").exists);
}

// Changes the working directory for one scope.
class ScopedCwd {
 public:
  explicit ScopedCwd(const fs::path& path) : old_(fs::current_path()) { fs::current_path(path); }
  ~ScopedCwd() { fs::current_path(old_); }
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  fs::path old_;
};

// Each form as the Windows build, under Wine, finds it or not; the current folder
// is C:\work, the one Wine gives a program started in drive_c/work.
TEST_F(DosPath, WindowsPathFormsResolveAsOnWindows) {
  Touch("dir/a.pst", 5);
  Touch("work/dir/a.pst", 7);
  Touch("d0017/a.pst", 3);
  std::ofstream(dir_.path() / "elsewhere" / "d.pst") << "dd";
  const ScopedCwd cwd(prefix_ / "drive_c" / "work");
  const struct {
    std::string path;
    std::int64_t length;  // -1: not found
  } cases[] = {
      {"\\\\?\\C:\\dir\\a.pst", 5},
      {"\\\\?\\c:\\DIR\\A.PST", 5},
      {"\\\\.\\C:\\dir\\a.pst", 5},
      {"//./C:/dir/./a.pst.", 5},
      {"\\\\.\\C:\\..\\C:\\dir\\a.pst", 5},
      {"\\\\.\\C:\\..\\dir\\a.pst", -1},  // ".." leaves the drive
      {"\\dir\\a.pst", 5},
      {"..\\dir\\a.pst", 5},
      {"dir\\a.pst", 7},
      {"C:..\\dir\\a.pst", 5},
      {"C:dir\\a.pst", 7},
      {"D:d.pst", 2},  // another drive's current folder is its root
      {"C:\\d0017.\\a.pst", 3},
      {"C:\\d0017..\\a.pst", -1},  // only one dot goes
      {std::string("C:\\dir\\a.pst\0\\junk", 18), 5},
      {"C:\\dir\\a.pst\\", -1},
      // \\?\ takes every name literally.
      {"\\\\?\\C:\\d0017.\\a.pst", -1},
      {"\\\\?\\C:\\dir\\.\\a.pst", -1},
      {"\\\\?\\C:\\work\\..\\dir\\a.pst", -1},
      {"\\\\?\\C:\\dir\\\\a.pst", -1},
      {"\\\\?\\C:\\dir\\a.pst.", -1},
      {"\\\\?\\C:/dir/a.pst", -1},
  };
  for (const auto& c : cases) {
    const platform::FileStatus file = platform::QueryFile(c.path);
    EXPECT_EQ(file.exists ? file.length : -1, c.length) << c.path;
  }
}

TEST_F(DosPath, CurrentFolderIsWhereWineMapsTheWorkingDirectory) {
  fs::create_directories(dir_.path() / "elsewhere" / "sub");
  fs::create_directories(prefix_ / "drive_c" / "work");
  {
    // The drive that reaches furthest into the working directory wins: D:\sub.
    fs::create_directory_symlink("/", prefix_ / "dosdevices" / "z:");
    const ScopedCwd cwd(dir_.path() / "elsewhere" / "sub");
    EXPECT_EQ(DosPathToUnix("x.pst"), (prefix_ / "dosdevices" / "d:" / "sub" / "x.pst").string());
  }
  {
    // Of two drives on the same folder, the first letter: B:\work, so C: is at its root.
    fs::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "b:");
    const ScopedCwd cwd(prefix_ / "drive_c" / "work");
    EXPECT_EQ(DosPathToUnix("x.pst"), (prefix_ / "dosdevices" / "b:" / "work" / "x.pst").string());
    EXPECT_EQ(DosPathToUnix("C:x.pst"), (prefix_ / "dosdevices" / "c:" / "x.pst").string());
  }
  {
    // No drive reaches it: C:\.
    fs::remove(prefix_ / "dosdevices" / "z:");
    const ScopedCwd cwd(dir_.path());
    EXPECT_EQ(DosPathToUnix("..\\x.pst"), (prefix_ / "dosdevices" / "c:" / "x.pst").string());
  }
}

TEST_F(DosPath, AbsoluteUnixPathIsUsedAsItIs) {
  const fs::path file = Touch("direct.pst", 9);
  EXPECT_EQ(DosPathToUnix(file.string()), file.string());
  EXPECT_EQ(platform::QueryFile(file.string()).length, 9);
}

TEST_F(DosPath, OnlyRegularFilesCount) {
  const fs::path target = Touch("target.pst", 4);
  fs::create_symlink(target, prefix_ / "drive_c" / "link.pst");
  fs::create_symlink(prefix_ / "drive_c" / "nowhere", prefix_ / "drive_c" / "broken.pst");
  fs::create_symlink(prefix_ / "drive_c" / "loop.pst", prefix_ / "drive_c" / "loop.pst");
  EXPECT_EQ(platform::QueryFile("C:\\link.pst").length, 4);
  EXPECT_FALSE(platform::QueryFile("C:\\broken.pst").exists);
  EXPECT_FALSE(platform::QueryFile("C:\\loop.pst").exists);
  EXPECT_FALSE(platform::QueryFile("/dev/null").exists);
  EXPECT_FALSE(platform::QueryFile("C:\\").exists);
}

// (In a home without a prefix of its own, where the search past it finds none.)
TEST(WinePrefixLocation, RelativePrefixIsRefused) {
  const TempDir home;
  const ScopedEnv homeEnv("HOME", home.path().string());
  const ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  const ScopedEnv env("WINEPREFIX", "relative/prefix");
  EXPECT_EQ(DosPathToUnix("C:\\a.pst"), std::nullopt);
}

}  // namespace
