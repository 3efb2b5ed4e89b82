// Unicode personal-folder files and offline files, watched when the organisation
// sets a size for them: a profile as the 2013-and-later client writes one, with
// an Exchange mailbox and its archive (one offline file between them, named in
// the service's global section), an IMAP account's offline store, and a store
// naming the mailbox's offline file once more. Run on both builds.
#include <gtest/gtest.h>

#include <algorithm>

#include "check/mdlOrvane.h"
#include "platform/CodePage.h"
#include "support/RegistryFixture.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

using profile::PstFormat;
using profile::StoreKind;
using testing_support::RegistryFixture;
using testing_support::Unhex;
using testing_support::Utf16z;
using testing_support::Utf8;

std::string Uid(char digit) { return std::string(32, digit); }

class LargeFiles : public testing::Test {
 protected:
  void SetUp() override {
    const std::string profile = std::string(RegistryFixture::kClient16) + "\\Profiles\\Outlook";
    registry_.SetText(RegistryFixture::kClient16, "DefaultProfile", "Outlook");
    std::string list;
    const auto store = [&](char digit, const std::string& name, const std::string& file, const char* service) {
      list += Unhex(Uid(digit));
      const std::string key = profile + "\\" + Uid(digit);
      registry_.SetBytes(key, "001f3001", Utf16z(name));
      if (!file.empty()) registry_.SetBytes(key, "001f6700", Utf16z(Path(file)));
      if (service) registry_.SetBytes(key, "001f3d09", Utf16z(service));
      return key;
    };
    store('1', "unicode", "unicode.pst", "MSUPST MS");
    // The mailbox names the global section itself, the archive through its service.
    registry_.SetBytes(store('2', "tanaka@example.com", "", "MSEMS"), "01023d15", Unhex(Uid('F')));
    registry_.SetBytes(store('3', "Online Archive", "", "MSEMS"), "01023d0c", Unhex(Uid('E')));
    registry_.SetBytes(profile + "\\" + Uid('E'), "01023d15", Unhex(Uid('F')));
    registry_.SetBytes(profile + "\\" + Uid('F'), "001f6610", Utf16z(Path("tanaka.ost")));
    store('4', "imap@example.com", "imap.ost", nullptr);
    store('5', "again", "tanaka.ost", "MSPST MS");
    store('6', "small", "small.pst", "MSPST MS");
    registry_.SetBytes(profile + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00", list);
    testing_support::MakeStoreFile(mail_.path() / "unicode.pst", 3'000'000'000, PstFormat::Unicode);
    testing_support::MakeStoreFile(mail_.path() / "tanaka.ost", 2'600'000'000, PstFormat::Unicode, StoreKind::Ost);
    testing_support::MakeStoreFile(mail_.path() / "imap.ost", 2'100'000'000, PstFormat::Unicode, StoreKind::Ost);
    testing_support::MakeStoreFile(mail_.path() / "small.pst", 100'000'000);
  }
  void TearDown() override { mdlOrvane::Dialog = nullptr; }

  std::string Path(const std::string& file) const { return Utf8(mail_.path() / file); }

  // A run with `ini` as the user's settings file; its log after the store list's line.
  std::vector<std::string> Run(const std::string& ini) {
    testing_support::WriteBytes(program_.File("Orvane.ini"), ini);
    mdlOrvane::Dialog = &user_;
    mdlOrvane::Run(Utf8(program_.path()), "Orvane");
    const std::vector<std::string> log = testing_support::ReadLogMessages(program_.File("Orvane.log"));
    const auto from = std::find(log.begin(), log.end(), "プロファイルのサブキー取得");
    return from == log.end() ? log : std::vector<std::string>(from + 1, log.end());
  }

  std::string Line(const char* label, char digit, const std::string& name, const char* format,
                   const std::string& file) const {
    return std::string(label) + Uid(digit) + ", " + name + ", (" + format + "形式), " + Path(file);
  }

  RegistryFixture registry_;
  testing_support::TempDir program_;
  testing_support::TempDir mail_;
  testing_support::ScriptedUser user_;
};

TEST_F(LargeFiles, OffTheyAreLoggedAsAlways) {
  const char* pst = "個人用フォルダ情報取得：";
  EXPECT_EQ(Run(""), (std::vector<std::string>{
                         Line(pst, '1', "unicode", "2003", "unicode.pst"),
                         "2003形式のためチェック対象外",
                         Line(pst, '4', "imap@example.com", "2003", "imap.ost"),
                         "2003形式のためチェック対象外",
                         Line(pst, '5', "again", "97-2002", "tanaka.ost"),
                         "ファイルのヘッダーは2003形式です (プロファイルの記録は97-2002形式)",
                         "2003形式のためチェック対象外",
                         Line(pst, '6', "small", "97-2002", "small.pst"),
                         "サイズ：97657, 警告サイズ以下",
                         "Orvane 終了",
                     }));
  EXPECT_TRUE(user_.shown.empty());
}

TEST_F(LargeFiles, OnUnicodeAndOfflineFilesAreMeasuredWarnedAboutAndExcludedOnce) {
  const char* pst = "個人用フォルダ情報取得：";
  const char* ost = "オフラインフォルダ情報取得：";
  user_.excludedUids = {Uid('1')};
  const std::string ini = "[Orvane]\r\nLargeWarningSize=2000000\r\n";
  EXPECT_EQ(Run(ini), (std::vector<std::string>{
                          Line(pst, '1', "unicode", "2003", "unicode.pst"),
                          "サイズ：2929688, 警告画面表示",
                          "次回よりチェックを省略",
                          Line(ost, '2', "tanaka@example.com", "2003", "tanaka.ost"),
                          "サイズ：2539063, 警告画面表示",
                          Line(ost, '4', "imap@example.com", "2003", "imap.ost"),
                          "サイズ：2050782, 警告画面表示",
                          Line(ost, '5', "again", "97-2002", "tanaka.ost"),
                          "同じファイルをチェック済み",
                          Line(pst, '6', "small", "97-2002", "small.pst"),
                          "サイズ：97657, 警告サイズ以下",
                          "Orvane 終了",
                      }));
  ASSERT_EQ(user_.shown.size(), 3u);
  EXPECT_EQ(user_.shown[1].StoreKind, StoreKind::Ost);
  EXPECT_EQ(user_.shown[2].StorePath, Path("imap.ost"));
  // The room and the message name the client's default stop for Unicode files, 47.5 GB.
  EXPECT_EQ(user_.sizeLines[0], "2,929,688 KB  ( 残り 46,877,672 KB )");
  EXPECT_EQ(user_.messages[1],
            "個人用フォルダのサイズが警告値を超えています。 47.5GB (約 49,807,360 KB) "
            "に達するとメールを受信できなくなりますので、不要メールの削除を行って下さい。");
  EXPECT_NE(testing_support::ReadBytes(program_.File("Orvane.ini"))
                .find(Uid('1') + "=" + platform::ToAnsi(Path("unicode.pst"))),
            std::string::npos);

  // The exclusion holds; a policy of the client's puts its stop at 10 GB.
  registry_.SetDword(std::string(RegistryFixture::kClientPolicies) + "\\16.0\\Outlook\\PST", "WarnLargeFileSize",
                     10240);
  user_ = {};
  const std::vector<std::string> again = Run(testing_support::ReadBytes(program_.File("Orvane.ini")));
  EXPECT_EQ(again[1], "サイズ：2929688, チェック省略対象");
  ASSERT_EQ(user_.shown.size(), 2u);
  EXPECT_EQ(user_.sizeLines[0], "2,539,063 KB  ( 残り 7,946,697 KB )");
  EXPECT_NE(user_.messages[0].find(" 10GB (約 10,485,760 KB) "), std::string::npos);
}

}  // namespace

namespace {

// A mailbox and its archive reach one offline file: the user's exclusion, saved
// under whichever reached it first when the box was ticked, holds whichever
// reaches it first now. An IMAP account's offline file, recorded as a personal
// folder's, whose header cannot be read counts as Unicode as every offline file
// does, not as an ANSI file held to WarningSize. A client stop set to 0 is taken
// as not set, and said.
TEST_F(LargeFiles, AnOfflineFileStaysAsTheUserAndTheClientLeftIt) {
  const std::string policy = std::string(RegistryFixture::kClientPolicies) + "\\16.0\\Outlook\\PST";
  registry_.SetDword(policy, "WarnLargeFileSize", 0);
  const std::string profile = std::string(RegistryFixture::kClient16) + "\\Profiles\\Outlook";
  registry_.SetBytes(profile + "\\" + Uid('4'), "001f3d09", Utf16z("MSPST MS"));
  // A header of a version no client wrote.
  testing_support::WriteBytes(Path("imap.ost"), std::string("!BDN\0\0\0\0SM\x13\0", 12));
  std::filesystem::resize_file(mail_.path() / "imap.ost", 2'100'000'000);

  const std::vector<std::string> log = Run("[Orvane]\r\nLargeWarningSize=2000000\r\n[No Check]\r\n" + Uid('3') + "=" +
                                           platform::ToAnsi(Path("tanaka.ost")) + "\r\n");
  const char* ost = "オフラインフォルダ情報取得：";
  const auto after = [&](const std::string& line) {
    const auto at = std::find(log.begin(), log.end(), line);
    return at == log.end() || at + 1 == log.end() ? std::string("(none)") : *(at + 1);
  };
  EXPECT_EQ(after(Line(ost, '2', "tanaka@example.com", "2003", "tanaka.ost")), "サイズ：2539063, チェック省略対象");
  const std::string imap = Line(ost, '4', "imap@example.com", "97-2002", "imap.ost");
  EXPECT_EQ(after(imap), "ファイルのヘッダーを読み取れません: " + Path("imap.ost") + " (不明なバージョンです (19))");
  EXPECT_EQ(*(std::find(log.begin(), log.end(), imap) + 2), "サイズ：2050782, 警告画面表示");
  ASSERT_EQ(user_.shown.size(), 2u);
  EXPECT_EQ(user_.sizeLines[1], "2,050,782 KB  ( 残り 47,756,578 KB )");
  const std::vector<std::string> whole = testing_support::ReadLogMessages(program_.File("Orvane.log"));
  EXPECT_EQ(std::count(whole.begin(), whole.end(),
                       "メールソフトの設定 0 は未設定として扱います：WarnLargeFileSize, HKEY_CURRENT_USER\\" + policy),
            1);
}

}  // namespace
