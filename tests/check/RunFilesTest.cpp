#include "check/RunFiles.h"

#include <gtest/gtest.h>

#include "platform/System.h"

namespace {

using mdlOrvane::PlaceRunFiles;
using mdlOrvane::RunFiles;

void ExpectFiles(const RunFiles& got, const RunFiles& expected, const char* what) {
  EXPECT_EQ(got.settings, expected.settings) << what;
  EXPECT_EQ(got.log, expected.log) << what;
  EXPECT_EQ(got.admin, expected.admin) << what;
  EXPECT_EQ(got.foldersToMake, expected.foldersToMake) << what;
}

TEST(RunFiles, BesideTheProgramOrInTheUsersFoldersWithTheAdministratorsFiles) {
  if (platform::kWindows) {
    const platform::UserFolders appData{"C:\\Users\\tanaka\\AppData\\Roaming", "C:\\Users\\tanaka\\AppData\\Roaming"};
    ExpectFiles(PlaceRunFiles("D:\\Tools", "Orvane", true, appData, ""),
                {"D:\\Tools\\Orvane.ini", "D:\\Tools\\Orvane.log", {}, {}}, "a folder of the user's");
    ExpectFiles(PlaceRunFiles("C:\\Program Files\\Orvane", "Orvane", false, appData, ""),
                {"C:\\Users\\tanaka\\AppData\\Roaming\\Orvane\\Orvane.ini",
                 "C:\\Users\\tanaka\\AppData\\Roaming\\Orvane\\Orvane.log",
                 {"C:\\Program Files\\Orvane\\Orvane.ini"},
                 {"C:\\Users\\tanaka\\AppData\\Roaming\\Orvane"}},
                "an install for every user");
    ExpectFiles(PlaceRunFiles("Z:\\", "Copy2", false, {}, ""), {"Z:\\Copy2.ini", "Z:\\Copy2.log", {}, {}},
                "no folder of the user's to go to, at a drive's root");
    return;
  }
  const platform::UserFolders xdg{"/home/u/.config", "/home/u/.local/state"};
  ExpectFiles(
      PlaceRunFiles("/home/u/.local/lib/orvane", "Orvane", true, xdg, "/etc"),
      {"/home/u/.local/lib/orvane/Orvane.ini", "/home/u/.local/lib/orvane/Orvane.log", {"/etc/orvane/Orvane.ini"}, {}},
      "a folder of the user's");
  ExpectFiles(PlaceRunFiles("/usr/local/lib/orvane", "Orvane", false, xdg, "/etc"),
              {"/home/u/.config/orvane/Orvane.ini",
               "/home/u/.local/state/orvane/Orvane.log",
               {"/etc/orvane/Orvane.ini", "/usr/local/lib/orvane/Orvane.ini"},
               {"/home/u/.local/state/orvane", "/home/u/.config/orvane"}},
              "an install for every user");
  ExpectFiles(PlaceRunFiles("/", "Copy2", false, {}, "/etc"),
              {"/Copy2.ini", "/Copy2.log", {"/etc/orvane/Copy2.ini"}, {}},
              "no folder of the user's to go to, at the root");
}

}  // namespace
