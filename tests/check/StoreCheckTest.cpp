#include <gtest/gtest.h>

#include <filesystem>

#include "check/StoreCheck.h"
#include "check/mdlOrvane.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadLogMessages;
using testing_support::ScriptedUser;
using testing_support::TempDir;
using testing_support::Utf8;

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kGiB = kKiB * kKiB * kKiB;
const std::string kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";

class StoreCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    mdlOrvane::IniFilePath = dir_.File("Orvane.ini");
    mdlOrvane::LogFilePath = dir_.File("Orvane.log");
    mdlOrvane::PersonalFolderFound = false;
    mdlOrvane::Dialog = &user_;
    mdlOrvane::History = {};
    settings::RunSettings = {};
  }
  void TearDown() override { mdlOrvane::Dialog = nullptr; }

  // A sparse personal-folder file of `length` bytes in the test folder; returns its path.
  std::string MakeFile(const std::string& name, std::int64_t length,
                       profile::PstFormat format = profile::PstFormat::Ansi) {
    return testing_support::MakeStoreFile(dir_.path() / testing_support::PathFromUtf8(name),
                                          static_cast<std::uintmax_t>(length), format);
  }

  // Checks one store and returns the lines it logged.
  std::vector<std::string> Check(const std::string& path, profile::PstFormat format = profile::PstFormat::Ansi,
                                 const std::string& uid = kUid, const std::string& name = "個人用フォルダ") {
    testing_support::WriteBytes(mdlOrvane::LogFilePath, "");
    mdlOrvane::CurrentStore = {uid, name, path, format, ""};
    mdlOrvane::CheckStore();
    return ReadLogMessages(mdlOrvane::LogFilePath);
  }

  std::string StoreLine(const std::string& path, const std::string& format = "97-2002") {
    return "個人用フォルダ情報取得：" + kUid + ", 個人用フォルダ, (" + format + "形式), " + path;
  }

  TempDir dir_;
  ScriptedUser user_;
};

TEST(StoreSize, RoundsUpToWholeKibibytesWithoutOverflow) {
  EXPECT_EQ(mdlOrvane::SizeInKb(0), 0);
  EXPECT_EQ(mdlOrvane::SizeInKb(1), 1);
  EXPECT_EQ(mdlOrvane::SizeInKb(1024), 1);
  EXPECT_EQ(mdlOrvane::SizeInKb(1025), 2);
  EXPECT_EQ(mdlOrvane::SizeInKb(2 * kGiB - 1), 2097152);
  EXPECT_EQ(mdlOrvane::SizeInKb(INT64_MAX), INT64_MAX / 1024 + 1);
}

TEST_F(StoreCheck, SizesAroundTheWarningSize) {
  struct Case {
    std::int64_t bytes;
    std::string outcome;
  };
  for (const Case& c :
       {Case{0, "0, 警告サイズ以下"}, Case{1025, "2, 警告サイズ以下"}, Case{1610611712, "1572863, 警告サイズ以下"},
        Case{1610611713, "1572864, 警告画面表示"}, Case{1610612736, "1572864, 警告画面表示"}}) {
    const std::string path = MakeFile("size.pst", c.bytes);
    std::vector<std::string> expected{StoreLine(path), "サイズ：" + c.outcome};
    // An empty file has no header: the profile's format stands.
    if (c.bytes == 0)
      expected.insert(expected.begin() + 1, "ファイルのヘッダーを読み取れません: " + path + " (ファイルが短すぎます)");
    EXPECT_EQ(Check(path), expected) << c.bytes;
  }
  EXPECT_EQ(user_.shown.size(), 2u);
}

TEST_F(StoreCheck, FilesOfTwoGibibytesAndMoreGetTheirTrueSize) {
  for (const auto& [bytes, kb] :
       {std::pair{2 * kGiB, "2097152"}, std::pair{2 * kGiB + 1, "2097153"}, std::pair{5 * kGiB, "5242880"}}) {
    const std::string path = MakeFile("big.pst", bytes);
    EXPECT_EQ(Check(path).back(), std::string("サイズ：") + kb + ", 警告画面表示");
    EXPECT_EQ(mdlOrvane::CurrentStore.StoreSizeKb, kb);
  }
}

TEST_F(StoreCheck, WarningShowsTheDialogWithTheStoreAndSettings) {
  const std::string path = MakeFile("Mail Files/個人.pst", 1610612736);
  Check(path);
  ASSERT_EQ(user_.shown.size(), 1u);
  EXPECT_EQ(user_.shown[0].StorePath, path);
  EXPECT_EQ(user_.shown[0].StoreSizeKb, "1572864");
  EXPECT_EQ(user_.sizeLines[0], "1,572,864 KB  ( 残り 524,288 KB )");
  EXPECT_TRUE(mdlOrvane::PersonalFolderFound);
}

TEST_F(StoreCheck, NewerFormatIsNeverMeasured) {
  const std::string path = MakeFile("unicode.pst", 3 * kGiB, profile::PstFormat::Unicode);
  EXPECT_EQ(Check(path, profile::PstFormat::Unicode),
            (std::vector<std::string>{StoreLine(path, "2003"), "2003形式のためチェック対象外"}));
  EXPECT_TRUE(user_.shown.empty());
  EXPECT_EQ(mdlOrvane::CurrentStore.StoreSizeKb, "");
}

TEST_F(StoreCheck, MissingFileOrFolderIsNoFile) {
  const std::string missing = dir_.File("gone.pst");
  EXPECT_EQ(Check(missing), (std::vector<std::string>{StoreLine(missing), "ファイルが存在しません"}));
  fs::create_directory(dir_.path() / "folder.pst");
  const std::string folder = dir_.File("folder.pst");
  EXPECT_EQ(Check(folder), (std::vector<std::string>{StoreLine(folder), "ファイルが存在しません"}));
  EXPECT_TRUE(mdlOrvane::PersonalFolderFound);
}

TEST_F(StoreCheck, LongPathsAreMeasuredAndOverlongOnesAreNoFile) {
  // Past the 260 characters of a classic Windows path.
  std::string deep;
  for (int i = 0; i < 5; ++i) deep += std::string(100, static_cast<char>('a' + i)) + "/";
  const std::string path = MakeFile(deep + "long.pst", 1610612736);
  ASSERT_GT(path.size(), 500u);
  EXPECT_EQ(Check(path).back(), "サイズ：1572864, 警告画面表示");
  const std::string overlong = dir_.File(std::string(32000, 'x') + ".pst");
  EXPECT_EQ(Check(overlong).back(), "ファイルが存在しません");
}

TEST_F(StoreCheck, StoreWithoutPathOrNameIsNoPersonalFolder) {
  EXPECT_TRUE(Check("").empty());
  EXPECT_TRUE(Check(MakeFile("x.pst", 10), profile::PstFormat::Ansi, kUid, "").empty());
  EXPECT_FALSE(mdlOrvane::PersonalFolderFound);
}

TEST_F(StoreCheck, ExclusionForTheSamePathSkipsTheWarning) {
  const std::string path = MakeFile("a.pst", 1610612736);
  mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, "No Check", kUid, path);
  EXPECT_EQ(Check(path).back(), "サイズ：1572864, チェック省略対象");
  EXPECT_TRUE(user_.shown.empty());
}

TEST_F(StoreCheck, ExclusionOfAMovedFileNoLongerApplies) {
  const std::string oldPath = MakeFile("old/a.pst", 1610612736);
  const std::string newPath = MakeFile("new/a.pst", 1610612736);
  mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, "No Check", kUid, oldPath);
  EXPECT_EQ(Check(newPath).back(), "サイズ：1572864, 警告画面表示");
  EXPECT_EQ(user_.shown.size(), 1u);
}

TEST_F(StoreCheck, ExclusionComparesThePathWithCase) {
  const std::string path = MakeFile("Case.pst", 1610612736);
  std::string otherCase = path;
  otherCase.replace(otherCase.size() - 8, 4, "CASE");
  mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, "No Check", kUid, otherCase);
  EXPECT_EQ(Check(path).back(), "サイズ：1572864, 警告画面表示");
}

TEST_F(StoreCheck, UserExclusionIsLoggedAndHonouredNextTime) {
  const std::string path = MakeFile("a.pst", 1610612736);
  user_.excludes = true;
  EXPECT_EQ(Check(path),
            (std::vector<std::string>{StoreLine(path), "サイズ：1572864, 警告画面表示", "次回よりチェックを省略"}));
  EXPECT_EQ(mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, "No Check", kUid), path);
  user_.excludes = false;
  EXPECT_EQ(Check(path).back(), "サイズ：1572864, チェック省略対象");
  EXPECT_EQ(user_.shown.size(), 1u);
}

TEST_F(StoreCheck, PathOutsideTheCodePageCanBeExcludedToo) {
  // The settings file holds "?" for the euro sign; the record must still match.
  const std::string path = MakeFile("€uro.pst", 1610612736);
  user_.excludes = true;
  EXPECT_EQ(Check(path).back(), "次回よりチェックを省略");
  EXPECT_EQ(mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, "No Check", kUid), dir_.File("?uro.pst"));
  user_.excludes = false;
  EXPECT_EQ(Check(path).back(), "サイズ：1572864, チェック省略対象");
  EXPECT_EQ(user_.shown.size(), 1u);
}

TEST_F(StoreCheck, LowerWarningSizeWarnsForEveryFile) {
  settings::RunSettings.WarningSize = 0;
  EXPECT_EQ(Check(MakeFile("empty.pst", 0)).back(), "サイズ：0, 警告画面表示");
  settings::RunSettings.WarningSize = -5;
  EXPECT_EQ(Check(MakeFile("empty.pst", 0)).back(), "サイズ：0, 警告画面表示");
}

TEST_F(StoreCheck, TwoOversizedFilesGiveTwoDialogsInOrder) {
  const std::string first = MakeFile("first.pst", 1700000000);
  const std::string second = MakeFile("second.pst", 1800000000);
  Check(first, profile::PstFormat::Ansi, "11111111111111111111111111111111");
  Check(second, profile::PstFormat::Ansi, "22222222222222222222222222222222");
  ASSERT_EQ(user_.shown.size(), 2u);
  EXPECT_EQ(user_.shown[0].StorePath, first);
  EXPECT_EQ(user_.shown[0].StoreUid, "11111111111111111111111111111111");
  EXPECT_EQ(user_.shown[1].StorePath, second);
  EXPECT_EQ(user_.shown[1].StoreSizeKb, "1757813");
}

TEST_F(StoreCheck, WithoutADialogTheWarningIsStillLogged) {
  mdlOrvane::Dialog = nullptr;
  EXPECT_EQ(Check(MakeFile("a.pst", 1610612736)).back(), "サイズ：1572864, 警告画面表示");
}

}  // namespace
