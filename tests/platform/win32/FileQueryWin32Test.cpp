// Windows only: store paths of every length are found in the forms Windows accepts.
#include "platform/FileQuery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/Wide.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// Past MAX_PATH a path needs the \\?\ form, which skips Windows' normalisation:
// each spelling must still find the file, on a short path as on a long one.
TEST(FileQueryWin32, PathsOutOfNormalFormAreFoundAtEveryLength) {
  const TempDir dir;
  const std::string root = testing_support::Utf8(dir.path());
  for (const std::string& folder :
       {root + "\\short", root + "\\" + std::string(120, 'a') + "\\" + std::string(120, 'b')}) {
    SCOPED_TRACE(folder.size());
    fs::create_directories(testing_support::PathFromUtf8(folder));
    std::ofstream(testing_support::PathFromUtf8(folder + "\\a.pst"), std::ios::binary) << "12345";
    for (const std::string& path :
         {folder + "\\a.pst", folder + "\\.\\a.pst", folder + "\\x\\..\\a.pst", folder + "\\\\a.pst",
          folder + "\\a.pst.", folder + "\\a.pst ", folder + "/a.pst", "\\\\?\\" + folder + "\\a.pst"}) {
      EXPECT_EQ(platform::QueryFile(path).length, 5) << path;
    }
    // The \\?\ form itself stays literal.
    EXPECT_FALSE(platform::QueryFile("\\\\?\\" + folder + "\\.\\a.pst").exists);
  }
}

// The mail client may hold its file open so that nobody else may read it: the
// file is still measured, and its start is reported as in use, not as missing.
TEST(FileQueryWin32, AFileHeldByAnotherProgramIsMeasuredButNotRead) {
  const TempDir dir;
  const std::string path = dir.File("held.pst");
  const std::string bytes("!BDN....SM\x0e\x00 and more", 21);
  testing_support::WriteBytes(path, bytes);
  const platform::FileStatus free = platform::QueryFile(path, 12);
  EXPECT_EQ(free.startStatus, platform::ReadStatus::Read);
  EXPECT_EQ(free.start, bytes.substr(0, 12));
  EXPECT_FALSE(free.identity.empty());
  EXPECT_EQ(platform::QueryFile(dir.File("x\\..\\held.pst"), 12).identity, free.identity);

  const HANDLE held = CreateFileW(platform::win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const platform::FileStatus busy = platform::QueryFile(path, 12);
  CloseHandle(held);
  EXPECT_TRUE(busy.exists);
  EXPECT_EQ(busy.length, 21);
  EXPECT_EQ(busy.startStatus, platform::ReadStatus::InUse);
  EXPECT_TRUE(busy.start.empty());
  EXPECT_EQ(busy.identity, free.identity);
}

}  // namespace
