// The mail client's own size limits, read as the client reads them, and the
// room a warning shows up to where the client stops taking mail.
#include "profile/ClientLimits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "check/mdlOrvane.h"
#include "support/RegistryFixture.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

using profile::PstFormat;
using testing_support::RegistryFixture;

const std::string kPolicy16 = std::string(RegistryFixture::kClientPolicies) + "\\16.0\\Outlook\\PST";
const std::string kPreference16 = std::string(RegistryFixture::kClient16) + "\\PST";

// The policy decides whether the client grows personal-folder files, 0 included;
// the preference only where no policy says.
TEST(ClientLimits, PstDisableGrowFromPolicyThenPreference) {
  struct Case {
    std::optional<std::uint32_t> policy, preference;
    std::string expected;
  };
  for (const Case& c :
       {Case{std::nullopt, std::nullopt, ""},
        Case{std::nullopt, 1, "PSTDisableGrow, HKEY_CURRENT_USER\\" + kPreference16},
        Case{1, 0, "PSTDisableGrow, HKEY_CURRENT_USER\\" + kPolicy16}, Case{0, 1, ""}, Case{std::nullopt, 2, ""}}) {
    RegistryFixture registry;
    if (c.policy) registry.SetDword(kPolicy16, "PSTDisableGrow", *c.policy);
    if (c.preference) registry.SetDword(kPreference16, "PSTDisableGrow", *c.preference);
    EXPECT_EQ(profile::ReadClientLimits("16.0").disableGrow, c.expected);
  }
}

TEST(ClientLimits, PolicyThenPreferenceWithinTheClientsRangesElseTheDefault) {
  {
    RegistryFixture registry;
    const profile::ClientLimits limits = profile::ReadClientLimits("16.0");
    EXPECT_EQ(limits.StopKb(PstFormat::Ansi), 1904657);  // 1.816 GB
    EXPECT_EQ(limits.StopKb(PstFormat::Unicode), 48640 * 1024);
    EXPECT_FALSE(limits.Stop(PstFormat::Ansi).Configured());
  }
  {
    RegistryFixture registry;
    registry.SetDword(kPolicy16, "WarnFileSize", 1'000'000'000);
    registry.SetDword(kPreference16, "WarnFileSize", 1'500'000'000);
    registry.SetDword(kPreference16, "WarnLargeFileSize", 10240);
    registry.SetDword(kPolicy16, "MaxLargeFileSize", 0xC801);  // past what the client takes: ignored
    const profile::ClientLimits limits = profile::ReadClientLimits("16.0");
    EXPECT_EQ(limits.StopKb(PstFormat::Ansi), 976562);
    EXPECT_EQ(limits.Stop(PstFormat::Ansi).source, "HKEY_CURRENT_USER\\" + kPolicy16);
    EXPECT_EQ(limits.StopKb(PstFormat::Unicode), 10240 * 1024);
    EXPECT_EQ(limits.Stop(PstFormat::Unicode).source, "HKEY_CURRENT_USER\\" + kPreference16);
    EXPECT_FALSE(limits.maxLargeFileSize.Configured());
  }
  {
    // A policy out of range falls through to the preference; a REG_SZ counts as
    // none; a Max below the Warn value stops the file first.
    RegistryFixture registry;
    registry.SetDword(kPolicy16, "WarnFileSize", 0x100);
    registry.SetText(kPolicy16, "MaxFileSize", "1000000000");
    registry.SetDword(kPreference16, "WarnFileSize", 0x7C004400);
    registry.SetDword(kPreference16, "MaxFileSize", 0x40000000);
    const profile::ClientLimits limits = profile::ReadClientLimits("16.0");
    EXPECT_STREQ(limits.Stop(PstFormat::Ansi).name, "MaxFileSize");
    EXPECT_EQ(limits.StopKb(PstFormat::Ansi), 1048576);
    EXPECT_EQ(limits.warnFileSize.value, 0x7C004400u);
  }
}

TEST(ClientLimits, TheVersionIsTheProfilesOwnOrTheNewestOlderClientsWithAnOutlookKey) {
  RegistryFixture registry;
  const std::string older = std::string(RegistryFixture::kNtProfiles) + "\\Outlook";
  EXPECT_EQ(profile::ClientVersion(std::string(RegistryFixture::kClient16) + "\\Profiles\\Outlook"), "16.0");
  EXPECT_EQ(profile::ClientVersion(std::string(RegistryFixture::kClient15) + "\\Profiles\\Outlook"), "15.0");
  EXPECT_EQ(profile::ClientVersion(older), "14.0");
  registry.CreateKey(RegistryFixture::kClient11);
  registry.CreateKey(RegistryFixture::kClient12);
  EXPECT_EQ(profile::ClientVersion(older), "12.0");
  // The 2007 client keeps Unicode files to 19 GB of data.
  EXPECT_EQ(profile::ReadClientLimits("12.0").StopKb(PstFormat::Unicode), 19456 * 1024);
  registry.CreateKey(RegistryFixture::kClient14);
  EXPECT_EQ(profile::ClientVersion(older), "14.0");
}

// A warning's room is measured to LimitSize, unless a policy or preference of
// the client's makes it stop taking mail before that: then to there, and the log
// says so once.
TEST(ClientLimits, AConfiguredStopBelowTheLimitIsWhereTheRoomIsMeasuredTo) {
  const std::string uid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
  const std::string profile = std::string(RegistryFixture::kClient16) + "\\Profiles\\Outlook";
  struct Case {
    const char* what;
    std::string key;
    std::uint32_t warnFileSize;
    std::string line;  // the log's line after the profile's, or none
    std::string room;
  };
  for (const Case& c : {
           Case{"nothing configured", "", 0, "", "( 残り 436,995 KB )"},
           Case{"a policy", kPolicy16, 1'000'000'000,
                "残りはメールソフトの停止サイズまで：976562 (WarnFileSize, HKEY_CURRENT_USER\\" + kPolicy16 + ")",
                "( 残り -683,595 KB )"},
           Case{"a preference", kPreference16, 2'000'000'000,
                "残りはメールソフトの停止サイズまで：1953125 (WarnFileSize, HKEY_CURRENT_USER\\" + kPreference16 + ")",
                "( 残り 292,968 KB )"},
           Case{"out of range", kPolicy16, 0x7C004401, "", "( 残り 436,995 KB )"},
           // The file then stops at the default Max, below LimitSize.
           Case{"a Warn value above the default Max", kPreference16, 0x7C004400,
                "残りはメールソフトの停止サイズまで：2026513 (MaxFileSize, メールソフトの既定値)",
                "( 残り 366,356 KB )"},
       }) {
    SCOPED_TRACE(c.what);
    RegistryFixture registry;
    testing_support::TempDir program;
    testing_support::TempDir mail;
    registry.SetText(RegistryFixture::kClient16, "DefaultProfile", "Outlook");
    const std::string file = testing_support::MakeStoreFile(mail.path() / "a.pst", 1'700'000'000);
    registry.SetBytes(profile + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00",
                      testing_support::Unhex(uid));
    registry.SetBytes(profile + "\\" + uid, "001e3001", testing_support::Ansiz("個人用フォルダ"));
    registry.SetBytes(profile + "\\" + uid, "001e6700", testing_support::Ansiz(file));
    if (!c.key.empty()) registry.SetDword(c.key, "WarnFileSize", c.warnFileSize);

    testing_support::ScriptedUser user;
    mdlOrvane::Dialog = &user;
    mdlOrvane::Run(testing_support::Utf8(program.path()), "Orvane");
    mdlOrvane::Dialog = nullptr;
    const std::vector<std::string> log = testing_support::ReadLogMessages(program.File("Orvane.log"));
    const auto at = std::find(log.begin(), log.end(), "プロファイル名取得：" + profile);
    ASSERT_NE(at, log.end());
    EXPECT_EQ(*(at + 1), c.line.empty() ? "プロファイルのサブキー取得" : c.line);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("残り"); }),
              c.line.empty() ? 0 : 1);
    ASSERT_EQ(user.sizeLines.size(), 1u);
    EXPECT_EQ(user.sizeLines[0], "1,660,157 KB  " + c.room);
  }
}

}  // namespace
