#include "check/mdlOrvane.h"

#include <gtest/gtest.h>

#include "platform/System.h"
#include "platform/UserFolders.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

namespace {

using testing_support::ReadLogMessages;
using testing_support::TempDir;

TEST(Run, PathsAreDerivedFromTheExecutable) {
  TempDir dir;
  const std::string folder = testing_support::Utf8(dir.path());
  mdlOrvane::Run(folder, "Orvane");
  EXPECT_EQ(mdlOrvane::IniFilePath, folder + (platform::kWindows ? "\\Orvane.ini" : "/Orvane.ini"));
  EXPECT_EQ(mdlOrvane::LogFilePath, folder + (platform::kWindows ? "\\Orvane.log" : "/Orvane.log"));
}

// A folder that cannot be written (here: one that is not there) is the
// administrator's: the run's own files go to the user's folders. The
// administrator's file is named only when there is one.
TEST(Run, UnwritableFolderHoldsTheAdministratorsFileAndTheRootGetsNoSecondSeparator) {
  const std::string root = platform::kWindows ? "Z:\\orvane-no-such-folder\\" : "/orvane-no-such-folder/";
  mdlOrvane::Run(root, "Orvane");
  EXPECT_TRUE(mdlOrvane::AdminIniFilePaths.empty());
  const platform::UserFolders user = platform::UserDataFolders();
  const char separator = platform::kWindows ? '\\' : '/';
  EXPECT_EQ(mdlOrvane::IniFilePath, user.settings + separator + "Orvane.ini");
  EXPECT_EQ(mdlOrvane::LogFilePath, user.log + separator + "Orvane.log");
  EXPECT_EQ(ReadLogMessages(mdlOrvane::LogFilePath)[1], "設定ファイル：" + mdlOrvane::IniFilePath);
}

TEST(Run, FirstRunWithoutProfileLogsStartSettingsNoProfileAndEnd) {
  TempDir dir;
  mdlOrvane::Run(testing_support::Utf8(dir.path()), "Orvane");
  const std::vector<std::string> expected = {
      "Orvane 起動",
      "制限サイズ取得：2097152",
      "警告サイズ取得：1572864",
      "警告タイトル取得：WARNING!",
      "警告メッセージ取得：" + std::string(settings::kDefaultWarningMsg),
      "chkNoCheckチェックボックスの表示取得：1",
      "プロファイルが見つかりません",
      "Orvane 終了",
  };
  EXPECT_EQ(ReadLogMessages(mdlOrvane::LogFilePath), expected);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Orvane.ini"));
}

TEST(Run, SecondRunReplacesTheFirstRunsLog) {
  TempDir dir;
  const std::string folder = testing_support::Utf8(dir.path());
  mdlOrvane::Run(folder, "Orvane");
  const std::size_t oneRun = ReadLogMessages(mdlOrvane::LogFilePath).size();
  mdlOrvane::Run(folder, "Orvane");
  const std::vector<std::string> log = ReadLogMessages(mdlOrvane::LogFilePath);
  EXPECT_EQ(log.size(), oneRun);
  EXPECT_EQ(log.front(), "Orvane 起動");
  EXPECT_EQ(log.back(), "Orvane 終了");
}

TEST(Run, CopyUnderAnotherNameUsesItsOwnFiles) {
  TempDir dir;
  mdlOrvane::Run(testing_support::Utf8(dir.path()), "Copy2");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Copy2.log"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Orvane.log"));
}

}  // namespace
