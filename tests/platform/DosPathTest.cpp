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
  EXPECT_EQ(DosPathToUnix("relative\\a.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("C:a.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("C:\\bad\x01name.pst"), std::nullopt);
  EXPECT_EQ(DosPathToUnix("C:\\wild*.pst"), std::nullopt);
  EXPECT_FALSE(platform::QueryFile("C:\\missing\\a.pst").exists);
  EXPECT_FALSE(platform::QueryFile("").exists);
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

TEST(WinePrefixLocation, RelativePrefixIsRefused) {
  ScopedEnv env("WINEPREFIX", "relative/prefix");
  EXPECT_EQ(DosPathToUnix("C:\\a.pst"), std::nullopt);
}

}  // namespace
