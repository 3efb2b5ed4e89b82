// How the Windows writer replaces the settings file on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/ProfileString.h"
#include "support/TempDir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(ProfileReplace, FailedReplaceLeavesTheOldFileWholeAndNoCopy) {
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  const std::string original = "[Orvane]\r\nWarningSize=1000000\r\n";
  WriteBytes(file, original);
  {
    // Open without delete sharing: the file cannot be replaced meanwhile.
    const HANDLE holder = CreateFileW((dir.path() / "Orvane.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    platform::WriteError error{};
    EXPECT_FALSE(platform::WriteProfileValue("Orvane", "LimitSize", "2097152", file, &error));
    EXPECT_EQ(error, platform::WriteError::AccessDenied);  // as Windows answers a rename over a file in use
    CloseHandle(holder);
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(ProfileReplace, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  WriteBytes(file, "[S]\r\na=1\r\n");
  const std::wstring wide = (dir.path() / "Orvane.ini").wstring();
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
  platform::WriteError error{};
  EXPECT_FALSE(platform::WriteProfileValue("S", "a", "2", file, &error));
  EXPECT_EQ(error, platform::WriteError::AccessDenied);
  EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\n");
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The file a write replaces keeps what the user (or an administrator) gave it.
TEST(ProfileReplace, ReplacedFileKeepsItsAttributes) {
  TempDir dir;
  const std::string file = dir.File("Orvane.ini");
  WriteBytes(file, "[S]\r\na=1\r\n");
  const std::wstring wide = (dir.path() / "Orvane.ini").wstring();
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(platform::WriteProfileValue("S", "a", "2", file));
  EXPECT_EQ(ReadBytes(file), "[S]\r\na=2\r\n");
  EXPECT_EQ(GetFileAttributesW(wide.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(dir.EntryCount(), 1u);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
