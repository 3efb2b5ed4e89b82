// Runs on successive days over a file that grows, shrinks and is excluded: what
// each run remembers, forecasts, logs and shows.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "check/StoreCheck.h"
#include "check/mdlOrvane.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"
#include "support/ScopedLanguage.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

using testing_support::ReadLogMessages;
using testing_support::TempDir;
using Lines = std::vector<std::string>;

const std::string kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
platform::Date today;

class Growth : public ::testing::Test {
 protected:
  void SetUp() override {
    mdlOrvane::IniFilePath = dir_.File("Orvane.ini");
    mdlOrvane::LogFilePath = dir_.File("Orvane.log");
    mdlOrvane::Dialog = &user_;
    mdlOrvane::TodayOf = [] { return today; };
    mdlOrvane::ClientLimits = {};
    settings::RunSettings = {};
    path_ = dir_.File("Mail.pst");
  }
  void TearDown() override {
    mdlOrvane::Dialog = nullptr;
    mdlOrvane::TodayOf = platform::Today;
    mdlOrvane::History = {};
  }

  // One run on 2026-12-01 plus `day` over the file, `kb` KB long and holding
  // `dataKb` of data (0: its header does not say): the lines it logged.
  Lines RunOn(int day, std::int64_t kb, std::int64_t dataKb = 0) {
    testing_support::MakeStoreFile(testing_support::PathFromUtf8(path_), static_cast<std::uintmax_t>(kb) * 1024);
    if (dataKb != 0) testing_support::SetDataSize(path_, static_cast<std::uint32_t>(dataKb * 1024));
    const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::year(2026) / 12 / 1) +
                                           std::chrono::days(day)};
    today = {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
             static_cast<int>(static_cast<unsigned>(date.day()))};
    testing_support::WriteBytes(mdlOrvane::LogFilePath, "");
    mdlOrvane::LoadHistory();
    mdlOrvane::CurrentStore = {kUid, "個人用フォルダ", path_, profile::PstFormat::Ansi, ""};
    mdlOrvane::CheckStore();
    mdlOrvane::SaveHistory();
    Lines lines = ReadLogMessages(mdlOrvane::LogFilePath);
    lines.erase(lines.begin());  // the store's line
    return lines;
  }
  std::string Notice() const { return user_.notices.empty() ? "(none shown)" : user_.notices.back(); }
  void Exclude() { mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, "No Check", kUid, path_); }
  std::string Exclusion() const { return mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, "No Check", kUid); }

  TempDir dir_;
  testing_support::ScriptedUser user_;
  std::string path_;
};

const std::string kNoForecast;

// The forecast follows the data the header says the file holds: a compaction that
// shrinks the file keeps it, a clean-up of the data starts it anew.
TEST_F(Growth, AGrowingFileGetsAForecastOnceTwoWeeksAreKnown) {
  EXPECT_EQ(RunOn(0, 1'600'000, 1'500'000), Lines{"サイズ：1600000, 警告画面表示"});
  EXPECT_EQ(RunOn(7, 1'650'000, 1'550'000), Lines{"サイズ：1650000, 警告画面表示"});
  EXPECT_EQ(Notice(), "");
  EXPECT_EQ(RunOn(14, 1'700'000, 1'600'000), (Lines{"予測：週に 50000 KB 増加、約 6 週間でメールソフトが受け取りを停止",
                                                    "サイズ：1700000, 警告画面表示"}));
  EXPECT_EQ(Notice(), "このペースでは、約 6 週間でメールを受け取れなくなります");
  EXPECT_EQ(RunOn(21, 1'660'000, 1'650'000).front(),
            "予測：週に 50000 KB 増加、約 5 週間でメールソフトが受け取りを停止");
  EXPECT_EQ(RunOn(28, 1'660'000, 1'200'000), Lines{"サイズ：1660000, 警告画面表示"});
  EXPECT_EQ(Notice(), "");

  const std::string kept = testing_support::ReadBytes(dir_.File("Orvane.history"));
  EXPECT_NE(kept.find("point\t2026-12-15\t1700000\t1600000\r\n"), std::string::npos) << kept;
  EXPECT_EQ(user_.shown.size(), 5u);
}

// The stage is told once the file has a history: the first run is the one it
// always was.
TEST_F(Growth, UrgentAndFullAreToldInTheLogAndTheDialog) {
  EXPECT_EQ(RunOn(0, 1'830'000), Lines{"サイズ：1830000, 警告画面表示"});
  EXPECT_EQ(Notice(), "");
  EXPECT_EQ(RunOn(1, 1'830'000),
            (Lines{"段階：緊急 (メールソフトの停止サイズの 96%)", "サイズ：1830000, 警告画面表示"}));
  EXPECT_EQ(Notice(), "もうすぐいっぱいになります (メールソフトの停止サイズの 96%)");
  EXPECT_EQ(RunOn(2, 1'950'000),
            (Lines{"段階：満杯 (メールソフトの停止サイズの 102%)", "サイズ：1950000, 警告画面表示"}));
  EXPECT_EQ(Notice(), "このファイルはいっぱいです。新しいメールを受け取れません");
  settings::RunSettings.UrgentPercent = 97;
  EXPECT_EQ(RunOn(3, 1'830'000), Lines{"サイズ：1830000, 警告画面表示"});

  // In English, with a file that grows by a week's room a week.
  const testing_support::ScopedLanguage english(texts::Language::English);
  settings::RunSettings.UrgentPercent = 95;
  RunOn(4, 1'700'000);
  RunOn(11, 1'800'000);
  EXPECT_EQ(RunOn(18, 1'900'000),
            (Lines{"Forecast: growing 100000 KB a week, about 0 weeks until the mail client stops taking mail",
                   "Stage: urgent (99% of where the mail client stops)", "Size: 1900000, warning shown"}));
  EXPECT_EQ(Notice(),
            "This file is nearly full: 99% of where the mail client stops.\n"
            "At this rate, it stops taking mail within a week.");
}

// Shown on day N after the last showing or later, or at once when the stage rose;
// a warning not shown still has its line.
TEST_F(Growth, RemindDaysShowsAgainOnDayNOrAtAHigherStage) {
  settings::RunSettings.RemindDays = 3;
  RunOn(0, 1'600'000);
  const Lines later{"サイズ：1600000, 警告画面は 2026-12-01 に表示済み、次は 2026-12-04 から (RemindDays)"};
  EXPECT_EQ(RunOn(1, 1'600'000), later);
  EXPECT_EQ(RunOn(2, 1'600'000), later);
  EXPECT_EQ(RunOn(3, 1'600'000), Lines{"サイズ：1600000, 警告画面表示"});
  EXPECT_EQ(RunOn(4, 1'830'000).back(), "サイズ：1830000, 警告画面表示");
  EXPECT_EQ(RunOn(5, 1'600'000).back(),
            "サイズ：1600000, 警告画面は 2026-12-05 に表示済み、次は 2026-12-08 から (RemindDays)");
  EXPECT_EQ(user_.shown.size(), 3u);
  // A dialog that could not be shown is no showing.
  mdlOrvane::Dialog = nullptr;
  settings::RunSettings.RemindDays = 1;
  RunOn(9, 1'600'000);
  mdlOrvane::Dialog = &user_;
  EXPECT_EQ(RunOn(9, 1'600'000), Lines{"サイズ：1600000, 警告画面表示"});
}

// An exclusion holds while the file stays at its stage, and gives way once as it
// becomes urgent and once as it becomes full; left unticked then, it is lifted.
TEST_F(Growth, AnExcludedFileIsShownAgainAsItBecomesUrgentThenFull) {
  Exclude();
  EXPECT_EQ(RunOn(0, 1'600'000), Lines{"サイズ：1600000, チェック省略対象"});
  user_.excludes = true;
  EXPECT_EQ(RunOn(1, 1'830'000), (Lines{"サイズ：1830000, チェック省略対象ですが、段階が進んだため警告画面表示",
                                        "段階：緊急 (メールソフトの停止サイズの 96%)", "次回よりチェックを省略"}));
  EXPECT_EQ(Notice(),
            "もうすぐいっぱいになります (メールソフトの停止サイズの 96%)\n"
            "チェック省略中のファイルですが、段階が進んだため表示しています");
  EXPECT_EQ(RunOn(2, 1'840'000), Lines{"サイズ：1840000, チェック省略対象"});
  user_.excludes = false;
  EXPECT_EQ(RunOn(3, 1'950'000), (Lines{"サイズ：1950000, チェック省略対象ですが、段階が進んだため警告画面表示",
                                        "段階：満杯 (メールソフトの停止サイズの 102%)", "チェック省略を解除しました"}));
  EXPECT_EQ(Exclusion(), "");
  EXPECT_EQ(RunOn(4, 1'950'000).back(), "サイズ：1950000, 警告画面表示");
  EXPECT_EQ(user_.shown.size(), 3u);

  // Made final by the organisation, an exclusion holds at every stage.
  Exclude();
  settings::RunSettings.FinalExclusions = 1;
  EXPECT_EQ(RunOn(5, 1'950'000), Lines{"サイズ：1950000, チェック省略対象"});
  EXPECT_EQ(Exclusion(), path_);
}

TEST_F(Growth, AFastGrowingFileIsWarnedEarlyOnlyWhenAsked) {
  RunOn(0, 1'400'000);
  RunOn(7, 1'450'000);
  const std::string forecast = "予測：週に 50000 KB 増加、約 8 週間でメールソフトが受け取りを停止";
  EXPECT_EQ(RunOn(14, 1'500'000), (Lines{forecast, "サイズ：1500000, 警告サイズ以下"}));
  settings::RunSettings.ForecastWarningWeeks = 7;
  EXPECT_EQ(RunOn(14, 1'500'000), (Lines{forecast, "サイズ：1500000, 警告サイズ以下"}));
  settings::RunSettings.ForecastWarningWeeks = 8;
  EXPECT_EQ(RunOn(14, 1'500'000),
            (Lines{forecast, "サイズ：1500000, 増加が速いため早めに警告画面表示 (ForecastWarningWeeks 8)"}));
  EXPECT_EQ(Notice(),
            "増え方が速いため、警告サイズの前にお知らせします\n"
            "このペースでは、約 8 週間でメールを受け取れなくなります");
  EXPECT_EQ(user_.shown.size(), 1u);
}

TEST_F(Growth, AFileTheClientMayNotGrowGetsNoDialog) {
  mdlOrvane::ClientLimits.disableGrow =
      "PSTDisableGrow, HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\16.0\\Outlook\\PST";
  EXPECT_EQ(RunOn(0, 1'600'000),
            Lines{"サイズ：1600000, メールソフトがこのファイルにメールを追加しないため警告画面は表示しません "
                  "(PSTDisableGrow, HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\16.0\\Outlook\\PST)"});
  EXPECT_TRUE(user_.shown.empty());
}

// A history file that is not one is started anew, and the log says so; what
// cannot be read is not written over.
TEST_F(Growth, ADamagedHistoryIsStartedAnewAndSaidSo) {
  const std::string history = dir_.File("Orvane.history");
  for (const auto& [bytes, why] :
       {std::pair{std::string("[Orvane]\r\nLimitSize=1\r\n"), "履歴ファイルではないか、壊れています"},
        std::pair{std::string(history::kMostBytes + 1, 'x'), "大きすぎます"}}) {
    testing_support::WriteBytes(history, bytes);
    RunOn(0, 1'600'000);
    const Lines lines = ReadLogMessages(mdlOrvane::LogFilePath);
    EXPECT_EQ(lines.front(), "履歴ファイルを作り直します: " + history + " (" + why + ")");
    EXPECT_TRUE(history::Parse(testing_support::ReadBytes(history)));
  }
#ifndef _WIN32
  // Another's file, or a link to one, is neither read nor replaced.
  std::filesystem::remove(history);
  std::filesystem::create_symlink("/etc/passwd", history);
  RunOn(0, 1'600'000);
  EXPECT_EQ(ReadLogMessages(mdlOrvane::LogFilePath).front(),
            "履歴ファイルを読み込めません: " + history + " (ほかのユーザーのファイルです)");
  EXPECT_TRUE(std::filesystem::is_symlink(history));
#endif
}

}  // namespace
