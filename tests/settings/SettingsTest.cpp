#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/CodePage.h"
#include "settings/Settings.h"
#include "support/RegistryFixture.h"
#include "support/ScopedLanguage.h"
#include "support/TempDir.h"

namespace {

using testing_support::MaskedLog;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

std::string Data(const std::string& name) { return ReadBytes(std::string(ORVANE_TEST_DATA_DIR) + "/settings/" + name); }

class LoadSettings : public testing::Test {
 protected:
  // Runs the settings phase on a settings file holding `ini` (none when null).
  void Load(const std::string* ini) {
    if (ini) WriteBytes(iniPath_, *ini);
    settings::RunSettings = {0, 0, "", "", 0};
    settings::LoadSettings(iniPath_, logPath_);
  }
  std::string Ini() const { return ReadBytes(iniPath_); }
  std::string Log() const { return MaskedLog(ReadBytes(logPath_)); }

  // The file after the run and the run's log lines must equal the golden files.
  void ExpectGolden(const char* input, const char* expectedIni, const char* expectedLog) {
    const std::string in = input ? Data(input) : std::string();
    ASSERT_TRUE(!input || !in.empty()) << input;
    Load(input ? &in : nullptr);
    EXPECT_EQ(Ini(), Data(expectedIni));
    EXPECT_EQ(Log(), Data(expectedLog));
  }

  TempDir dir_;
  const std::string iniPath_ = dir_.File("Orvane.ini");
  const std::string logPath_ = dir_.File("Orvane.log");
};

TEST_F(LoadSettings, FirstRunWritesEveryDefaultInOrderAndLogsIt) {
  ExpectGolden(nullptr, "first-run.ini", "first-run.log");
  const settings::Settings& s = settings::RunSettings;
  EXPECT_EQ(s.LimitSize, 2097152);
  EXPECT_EQ(s.WarningSize, 1572864);
  EXPECT_EQ(s.WarningTitle, "WARNING!");
  EXPECT_EQ(s.WarningMsg, settings::DefaultWarningMsg());
  EXPECT_EQ(s.Visible, 1);
}

// The defaults are the run's language; a file that holds them already is read as
// it is, whichever language wrote it.
TEST_F(LoadSettings, AFileWrittenOnOneLanguagesDesktopIsReadAsItIsOnAnother) {
  using texts::Language;
  for (const auto& [first, second] :
       {std::pair{Language::Japanese, Language::English}, std::pair{Language::English, Language::Japanese}}) {
    std::filesystem::remove(iniPath_);
    std::string written;
    std::string message;
    {
      const testing_support::ScopedLanguage language(first);
      Load(nullptr);
      written = Ini();
      message = settings::DefaultWarningMsg();
    }
    const testing_support::ScopedLanguage language(second);
    EXPECT_NE(settings::DefaultWarningMsg(), message);
    Load(nullptr);
    EXPECT_EQ(Ini(), written);
    EXPECT_EQ(settings::RunSettings.WarningMsg, message);
  }
}

TEST_F(LoadSettings, PartialFileGetsTheOtherFourAndKeepsItsLine) {
  ExpectGolden("partial.ini", "partial.expected.ini", "partial.log");
  EXPECT_EQ(settings::RunSettings.WarningSize, 1000000);
}

TEST_F(LoadSettings, HandEditedFileIsReadAsWrittenAndLeftAlone) {
  ExpectGolden("hand-edited.ini", "hand-edited.ini", "hand-edited.log");
  EXPECT_EQ(settings::RunSettings.WarningTitle, "  注意！  ");
  EXPECT_EQ(settings::RunSettings.Visible, 0);
}

TEST_F(LoadSettings, InvalidNumbersUseTheDefaultButStayInTheFile) {
  ExpectGolden("invalid-numbers.ini", "invalid-numbers.expected.ini", "invalid-numbers.log");
}

TEST_F(LoadSettings, EmptyValueCountsAsMissing) {
  const std::string ini =
      "[Orvane]\r\nLimitSize=\r\nWarningSize=1\r\nWarningTitle=\r\nWarningMsg=m\r\n[No Check]\r\nVisible=\r\n";
  Load(&ini);
  EXPECT_EQ(Ini(),
            "[Orvane]\r\nLimitSize=2097152\r\nWarningSize=1\r\nWarningTitle=WARNING!\r\nWarningMsg=m\r\n"
            "[No Check]\r\nVisible=1\r\n");
  EXPECT_EQ(settings::RunSettings.LimitSize, 2097152);
  EXPECT_EQ(settings::RunSettings.Visible, 1);
}

TEST_F(LoadSettings, TextWithInvalidDoubleByteSequencesIsSetNotMissing) {
  // A lone first byte of a double-byte character: damaged, but written by the user.
  const std::string ini = "[Orvane]\r\nWarningTitle=\x82\r\nWarningMsg=ab\x81\r\n";
  Load(&ini);
  // Never replaced by the default. (Wine's service, rewriting the whole file,
  // stores the byte as the character it read it as; ours keeps the bytes.)
  EXPECT_EQ(Ini().find("WARNING!"), std::string::npos) << Ini();
  EXPECT_NE(Ini().find("WarningMsg=ab\x81"), std::string::npos) << Ini();
  // Read as the code page's default character for a byte that starts no whole one.
  EXPECT_EQ(settings::RunSettings.WarningTitle, "・");
  EXPECT_EQ(settings::RunSettings.WarningMsg, "ab・");
}

TEST_F(LoadSettings, SecondRunChangesNothing) {
  Load(nullptr);
  const std::string first = Ini();
  settings::LoadSettings(iniPath_, logPath_);
  EXPECT_EQ(Ini(), first);
}

TEST_F(LoadSettings, DefaultThatCannotBeWrittenBackIsLoggedAndStillUsed) {
  std::filesystem::create_directory(iniPath_);
  Load(nullptr);
  const std::string cannot = "設定ファイルに保存できません: ";
  const std::string why = " (ファイルではありません)";
  EXPECT_EQ(
      testing_support::ReadLogMessages(logPath_),
      (std::vector<std::string>{cannot + "LimitSize" + why, "制限サイズ取得：2097152", cannot + "WarningSize" + why,
                                "警告サイズ取得：1572864", cannot + "WarningTitle" + why, "警告タイトル取得：WARNING!",
                                cannot + "WarningMsg" + why, "警告メッセージ取得：" + settings::DefaultWarningMsg(),
                                cannot + "Visible" + why, "chkNoCheckチェックボックスの表示取得：1"}));
  EXPECT_EQ(settings::RunSettings.WarningSize, 1572864);
}

// An administrator's file beside a program installed for every user: what it
// sets holds, what it does not set is the user's own, and it is only ever read.
TEST_F(LoadSettings, AdministratorsFileWinsForTheKeysItSetsAndNeverGainsALine) {
  const std::string adminPath = dir_.File("admin.ini");
  const std::string admin =
      "[Orvane]\r\nWarningSize=1000\r\nWarningTitle=\r\n[No Check]\r\nVisible=0\r\n"
      "0A1B2C3D4E5F60718293A4B5C6D7E8F9=C:\\a.pst\r\n";
  WriteBytes(adminPath, admin);
  WriteBytes(iniPath_, "[Orvane]\r\nLimitSize=7\r\nWarningSize=5\r\n");
  settings::RunSettings = {};
  settings::LoadSettings(iniPath_, logPath_, {adminPath});

  const settings::Settings& s = settings::RunSettings;
  EXPECT_EQ(s.LimitSize, 7);              // the user's: the administrator sets none
  EXPECT_EQ(s.WarningSize, 1000);         // the administrator's, over the user's 5
  EXPECT_EQ(s.WarningTitle, "WARNING!");  // set empty there is not set: the user's default
  EXPECT_EQ(s.Visible, 0);
  EXPECT_EQ(ReadBytes(adminPath), admin);
  EXPECT_EQ(Ini(), "[Orvane]\r\nLimitSize=7\r\nWarningSize=5\r\nWarningTitle=WARNING!\r\nWarningMsg=" +
                       platform::ToAnsi(settings::DefaultWarningMsg()) + "\r\n");
  EXPECT_EQ(testing_support::ReadLogMessages(logPath_)[1], "警告サイズ取得：1000");
}

// Policy is read key by key: the machine's over the user's, both over every
// settings file; a value of the wrong type or beyond the range is not set; what a
// policy sets never reaches the user's file, not even as a written-back default.
TEST_F(LoadSettings, PolicyWinsOverTheFilesMachineOverUserAndNeverReachesTheUsersFile) {
  using testing_support::RegistryFixture;
  const std::string machine = std::string(RegistryFixture::kMachine) + RegistryFixture::kPolicies;
  const std::string user = RegistryFixture::kPolicies;
  const std::string hklm = "HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvane";
  const std::string hkcu = "HKEY_CURRENT_USER\\Software\\Policies\\Orvane";
  const std::string byMachine = "ポリシーによる設定：WarningSize (" + hklm + ")";
  const std::string byUser = "ポリシーによる設定：WarningSize (" + hkcu + ")";
  struct Row {
    const char* what;
    std::function<void(RegistryFixture&)> set;
    std::int32_t warningSize;
    std::string title;
    std::vector<std::string> policyLines;
  };
  const std::vector<Row> rows = {
      {"machine over user over files",
       [&](RegistryFixture& r) {
         r.SetDword(machine, "WarningSize", 1000);
         r.SetDword(user, "WarningSize", 2000);
       },
       1000,
       "管理者の題",
       {byMachine}},
      {"user over files",
       [&](RegistryFixture& r) { r.SetDword(user, "WarningSize", 2000); },
       2000,
       "管理者の題",
       {byUser}},
      {"a number as text is not set",
       [&](RegistryFixture& r) {
         r.SetText(machine, "WarningSize", "1000");
         r.SetDword(user, "WarningSize", 2000);
       },
       2000,
       "管理者の題",
       {byUser}},
      {"beyond 32 signed bits is not set",
       [&](RegistryFixture& r) { r.SetDword(machine, "WarningSize", 0x80000000u); },
       3000,
       "管理者の題",
       {}},
      {"texts: REG_SZ only, not empty, one line",
       [&](RegistryFixture& r) {
         r.SetText(machine, "WarningTitle", "");
         r.SetText(user, "WarningTitle", "方針の題", 2);  // REG_EXPAND_SZ
         r.SetText(user, "WarningMsg", "a\r\nb");
       },
       3000,
       "管理者の題",
       {}},
      {"a text",
       [&](RegistryFixture& r) {
         r.SetText(user, "WarningTitle", "方針の題");
         r.SetDword(user, "WarningMsg", 5);
       },
       3000,
       "方針の題",
       {"ポリシーによる設定：WarningTitle (" + hkcu + ")"}},
      {"no policy", [](RegistryFixture&) {}, 3000, "管理者の題", {}},
  };
  const std::string adminPath = dir_.File("admin.ini");
  WriteBytes(adminPath, platform::ToAnsi("[Orvane]\r\nWarningSize=3000\r\nWarningTitle=管理者の題\r\n"));
  for (const Row& row : rows) {
    RegistryFixture registry;
    row.set(registry);
    WriteBytes(iniPath_, "[Orvane]\r\nWarningSize=4000\r\n[No Check]\r\nVisible=1\r\n");
    settings::LoadSettings(iniPath_, logPath_, {adminPath});
    EXPECT_EQ(settings::RunSettings.WarningSize, row.warningSize) << row.what;
    EXPECT_EQ(settings::RunSettings.WarningTitle, row.title) << row.what;
    std::vector<std::string> policyLines;
    for (const std::string& line : testing_support::ReadLogMessages(logPath_))
      if (line.starts_with("ポリシー")) policyLines.push_back(line);
    EXPECT_EQ(policyLines, row.policyLines) << row.what;
    // Only the message's default, which nothing mandatory sets, is written back.
    EXPECT_EQ(Ini(), "[Orvane]\r\nWarningSize=4000\r\nLimitSize=2097152\r\nWarningMsg=" +
                         platform::ToAnsi(settings::DefaultWarningMsg()) + "\r\n[No Check]\r\nVisible=1\r\n")
        << row.what;
    EXPECT_EQ(settings::RunSettings.ReportOnly, 0);
    std::filesystem::remove(logPath_);
  }
}

// Report-only is the organisation's to set: policy or an administrator's file,
// never the user's own file.
TEST_F(LoadSettings, ReportOnlyComesFromPolicyOrAnAdministratorsFileAlone) {
  using testing_support::RegistryFixture;
  const std::string adminPath = dir_.File("admin.ini");
  WriteBytes(iniPath_, "[Orvane]\r\nReportOnly=1\r\n");
  {
    RegistryFixture registry;
    settings::LoadSettings(iniPath_, logPath_);
    EXPECT_EQ(settings::RunSettings.ReportOnly, 0);
    WriteBytes(adminPath, "[Orvane]\r\nReportOnly=1\r\n");
    settings::LoadSettings(iniPath_, logPath_, {adminPath});
    EXPECT_EQ(settings::RunSettings.ReportOnly, 1);
    EXPECT_EQ(testing_support::ReadLogMessages(logPath_).back(), "報告のみ：警告画面は表示しません");

    registry.SetDword(RegistryFixture::kPolicies, "ReportOnly", 0);
    settings::LoadSettings(iniPath_, logPath_, {adminPath});
    EXPECT_EQ(settings::RunSettings.ReportOnly, 0);
    registry.SetDword(RegistryFixture::kPolicies, "ReportOnly", 1);
    WriteBytes(adminPath, "");
    std::filesystem::remove(logPath_);
    settings::LoadSettings(iniPath_, logPath_);
    EXPECT_EQ(
        testing_support::ReadLogMessages(logPath_),
        (std::vector<std::string>{"制限サイズ取得：2097152", "警告サイズ取得：1572864", "警告タイトル取得：WARNING!",
                                  "警告メッセージ取得：" + settings::DefaultWarningMsg(),
                                  "chkNoCheckチェックボックスの表示取得：1", "報告のみ：警告画面は表示しません",
                                  "ポリシーによる設定：ReportOnly (HKEY_CURRENT_USER\\Software\\Policies\\Orvane)"}));
  }
  EXPECT_EQ(Ini().find("ReportOnly=1\r\n[No Check]"), std::string::npos);  // never written
}

// Unicode files are watched only when a size is set for them: then its line, and
// the message's when that is set too; neither is ever written back.
TEST_F(LoadSettings, TheWatchOfUnicodeFilesIsOffUnlessASizeIsSet) {
  using testing_support::RegistryFixture;
  const std::string adminPath = dir_.File("admin.ini");
  const auto largeLines = [&] {
    std::vector<std::string> lines;
    for (const std::string& line : testing_support::ReadLogMessages(logPath_))
      if (line.starts_with("2003") || line.find("Large") != std::string::npos) lines.push_back(line);
    std::filesystem::remove(logPath_);
    return lines;
  };
  RegistryFixture registry;
  WriteBytes(adminPath, platform::ToAnsi("[Orvane]\r\nLargeWarningMsg=管理者の文\r\n"));
  settings::LoadSettings(iniPath_, logPath_, {adminPath});
  EXPECT_EQ(settings::RunSettings.LargeWarningSize, 0);
  EXPECT_TRUE(largeLines().empty());
  EXPECT_EQ(Ini().find("Large"), std::string::npos);

  for (const auto& [text, value] : {std::pair{"0", 0}, std::pair{"-5", -5}, std::pair{"2GB", 0}}) {
    WriteBytes(iniPath_, std::string("[Orvane]\r\nLargeWarningSize=") + text + "\r\n");
    settings::LoadSettings(iniPath_, logPath_, {adminPath});
    EXPECT_EQ(settings::RunSettings.LargeWarningSize, value) << text;
    EXPECT_EQ(largeLines(), (std::vector<std::string>{"2003形式の警告サイズ取得：" + std::to_string(value)})) << text;
    EXPECT_TRUE(settings::RunSettings.LargeWarningMsg.empty());
  }

  WriteBytes(iniPath_, "[Orvane]\r\nLargeWarningSize=2000000\r\n");
  settings::LoadSettings(iniPath_, logPath_, {adminPath});
  EXPECT_EQ(settings::RunSettings.LargeWarningSize, 2000000);
  EXPECT_EQ(settings::RunSettings.LargeWarningMsg, "管理者の文");
  EXPECT_EQ(largeLines(), (std::vector<std::string>{"2003形式の警告サイズ取得：2000000",
                                                    "2003形式の警告メッセージ取得：管理者の文"}));

  registry.SetDword(RegistryFixture::kPolicies, "LargeWarningSize", 10000000);
  settings::LoadSettings(iniPath_, logPath_, {adminPath});
  EXPECT_EQ(settings::RunSettings.LargeWarningSize, 10000000);
  EXPECT_EQ(largeLines(), (std::vector<std::string>{
                              "2003形式の警告サイズ取得：10000000",
                              "ポリシーによる設定：LargeWarningSize (HKEY_CURRENT_USER\\Software\\Policies\\Orvane)",
                              "2003形式の警告メッセージ取得：管理者の文"}));
  const std::string ini = Ini();
  EXPECT_EQ(ini.find("LargeWarningMsg"), std::string::npos);
  EXPECT_EQ(ini.find("LargeWarningSize=2000000"), ini.rfind("LargeWarningSize"));  // the user's line alone
}

TEST(ParseSetting, AcceptsASignedDecimalWithBlanksRoundIt) {
  const std::pair<const char*, std::int32_t> accepted[] = {
      {"0", 0},
      {"12", 12},
      {" 12 ", 12},
      {"\t-5\t", -5},
      {"+7", 7},
      {"007", 7},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& [text, value] : accepted) EXPECT_EQ(settings::ParseSetting(text), value) << text;
}

TEST(ParseSetting, RefusesAnyOtherTextAndWhatDoesNotFit32Bits) {
  for (const char* text : {"", " ", "+", "-", "1.5", "1e3", "0x10", "1,000", "１２", "12abc", "- 1", "+-1", "--1",
                           "2147483648", "-2147483649", "99999999999", "1 2"}) {
    EXPECT_EQ(settings::ParseSetting(text), std::nullopt) << text;
  }
}

}  // namespace
