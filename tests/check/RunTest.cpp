#include "check/mdlOrvane.h"

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/TempDir.h"

namespace {

using testing_support::ReadLogMessages;
using testing_support::TempDir;

// A program in a folder of the user's keeps its settings and log beside itself.
TEST(Run, FirstRunWithoutProfileLogsStartSettingsNoProfileAndEnd) {
  TempDir dir;
  mdlOrvane::Run(testing_support::Utf8(dir.path()), "Orvane");
  const std::vector<std::string> expected = {
      "Orvane 起動",
      "制限サイズ取得：2097152",
      "警告サイズ取得：1572864",
      "警告タイトル取得：WARNING!",
      "警告メッセージ取得：" + settings::DefaultWarningMsg(),
      "chkNoCheckチェックボックスの表示取得：1",
      "プロファイルが見つかりません",
      "Orvane 終了",
  };
  EXPECT_EQ(ReadLogMessages(dir.File("Orvane.log")), expected);
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

// A writer killed while it saved (at a shutdown, say) leaves its copy; the next
// run clears it away, whether or not it writes anything itself.
TEST(Run, CopiesLeftByKilledWritersAreRemovedAtTheStart) {
  TempDir dir;
  const std::string folder = testing_support::Utf8(dir.path());
  mdlOrvane::Run(folder, "Orvane");
  testing_support::WriteBytes(dir.File("Orvane.ini.~2147483644-1-2.tmp"), "[Orvane]\r\n");
  mdlOrvane::Run(folder, "Orvane");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Orvane.ini.~2147483644-1-2.tmp"));
}

}  // namespace
