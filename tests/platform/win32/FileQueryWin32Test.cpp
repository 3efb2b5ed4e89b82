// Windows only: store paths of every length are found in the forms Windows accepts.
#include "platform/FileQuery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
