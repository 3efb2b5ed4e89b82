// One whole run over a profile whose stores take every branch of the store check,
// compared with the run log kept in the test data: the Windows and the Linux build
// must both write exactly that log (date, time and test folder masked).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "check/mdlOrvane.h"
#include "platform/CodePage.h"
#include "support/RegistryFixture.h"
#include "support/ScopedLanguage.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Ansiz;
using testing_support::MakeStoreFile;
using testing_support::ReadBytes;
using testing_support::RegistryFixture;
using testing_support::TempDir;
using testing_support::Unhex;
using testing_support::Utf16z;
using testing_support::Utf8;
using namespace std::string_literals;

// `log` with `folder` (the test folder, in the log's code page) shown as "<dir>"
// and the separator after it as "\", the one the Windows build writes.
std::string MaskFolder(std::string log, const std::string& folder) {
  for (std::size_t at = log.find(folder); at != std::string::npos; at = log.find(folder, at)) {
    log.replace(at, folder.size() + 1, "<dir>\\");
  }
  return log;
}

// Runs the program in `program` with `user` behind the dialog; returns its log
// with the date, the time and the folder `mail` masked.
std::string RunMasked(testing_support::ScriptedUser& user, const TempDir& program, const TempDir& mail) {
  mdlOrvane::Dialog = &user;
  mdlOrvane::Run(Utf8(program.path()), "Orvane");
  mdlOrvane::Dialog = nullptr;
  const std::string log = testing_support::MaskedLog(ReadBytes(program.File("Orvane.log")));
  return MaskFolder(log, platform::ToAnsi(Utf8(mail.path())));
}

// One run over stores that take every branch, its log compared with `kept`.
void ExpectEveryBranchLogsAs(const std::string& kept) {
  RegistryFixture registry;
  TempDir program;
  TempDir mail;
  const auto path = [&](const std::string& name) { return Utf8(mail.path() / name); };

  const std::string profile = std::string(RegistryFixture::kNtProfiles) + "\\Outlook";
  registry.SetText(RegistryFixture::kNtProfiles, "DefaultProfile", "Outlook");
  std::string list;
  const auto store = [&](const std::string& uid, const std::string& key, const std::string& name,
                         const std::string& file) {
    list += Unhex(uid);
    const bool ansi = key == "001e";
    registry.SetBytes(profile + "\\" + uid, key + "3001", ansi ? Ansiz(name) : Utf16z(name));
    if (!file.empty())
      registry.SetBytes(profile + "\\" + uid, key + "6700", ansi ? Ansiz(path(file)) : Utf16z(path(file)));
  };
  store("01010101010101010101010101010101", "001e", "小さいフォルダ", "small.pst");
  store("02020202020202020202020202020202", "001e", "除外済み", "excluded.pst");
  store("03030303030303030303030303030303", "001e", "移動したフォルダ", "moved.pst");
  store("04040404040404040404040404040404", "001e", "大きいフォルダ", "big.pst");
  store("05050505050505050505050505050505", "001f", "新しい形式", "new.pst");
  store("06060606060606060606060606060606", "001e", "無いフォルダ", "missing.pst");
  store("07070707070707070707070707070707", "001e", "フォルダ", "folder.pst");
  store("08080808080808080808080808080808", "001f", "Mailbox", "");
  registry.SetBytes(profile + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00", list);

  MakeStoreFile(mail.path() / "small.pst", 100'000'000);
  MakeStoreFile(mail.path() / "excluded.pst", 1'700'000'000);
  MakeStoreFile(mail.path() / "moved.pst", 1'700'000'000);
  MakeStoreFile(mail.path() / "big.pst", (std::uintmax_t{2} << 30) + 1);
  MakeStoreFile(mail.path() / "new.pst", 3'000'000'000, profile::PstFormat::Unicode);
  fs::create_directory(mail.path() / "folder.pst");
  // One exclusion for the file where it is, one for where the other file used to be.
  testing_support::WriteBytes(
      program.File("Orvane.ini"),
      platform::ToAnsi("[No Check]\r\n02020202020202020202020202020202=" + path("excluded.pst") +
                       "\r\n03030303030303030303030303030303=" + path("old.pst") + "\r\n"));

  testing_support::ScriptedUser user;
  user.excludedUids = {"03030303030303030303030303030303"};
  EXPECT_EQ(RunMasked(user, program, mail), ReadBytes(std::string(ORVANE_TEST_DATA_DIR) + "/check/" + kept));
  ASSERT_EQ(user.shown.size(), 2u);
  EXPECT_NE(ReadBytes(program.File("Orvane.ini"))
                .find("03030303030303030303030303030303=" + platform::ToAnsi(path("moved.pst"))),
            std::string::npos);
}

// In either language, the names and paths stay as the profile wrote them.
TEST(WholeRun, EveryBranchOfTheStoreCheckLogsAsTheKeptRun) {
  for (const auto& [language, kept] : {std::pair{texts::Language::Japanese, "every-branch.log"},
                                       std::pair{texts::Language::English, "every-branch.en.log"}}) {
    SCOPED_TRACE(kept);
    const testing_support::ScopedLanguage texts(language);
    ExpectEveryBranchLogsAs(kept);
  }
}

// A profile as the current mail client writes it: names and paths in UTF-16 only,
// the service that opened each store named in the store's section and in the
// service's own, and each personal-folder file's flags.
TEST(WholeRun, ProfileAsTheCurrentClientWritesItLogsAsTheKeptRun) {
  RegistryFixture registry;
  TempDir program;
  TempDir mail;
  const auto path = [&](const std::string& name) { return Utf8(mail.path() / name); };

  const std::string profile = std::string(RegistryFixture::kNtProfiles) + "\\Outlook";
  registry.SetText(RegistryFixture::kNtProfiles, "DefaultProfile", "Outlook");
  std::string list;
  // A store, the section of its service (the store's uid with its first byte
  // changed) and, unless `inStore` is false, the service's name in the store's
  // section too.
  const auto store = [&](const std::string& uid, const std::string& name, const std::string& pathValue,
                         const std::string& service, const std::string& flags, bool inStore = true) {
    list += Unhex(uid);
    const std::string key = profile + "\\" + uid;
    std::string serviceUid = uid;
    serviceUid[0] = '5';
    registry.SetBytes(key, "001f3001", Utf16z(name));
    if (!pathValue.empty()) registry.SetBytes(key, "001f6700", pathValue);
    if (inStore) registry.SetBytes(key, "001f3d09", Utf16z(service));
    if (!flags.empty()) registry.SetBytes(key, "00036770", Unhex(flags));
    registry.SetBytes(key, "01023d0c", Unhex(serviceUid));
    registry.SetBytes(profile + "\\" + serviceUid, "001f3d09", Utf16z(service));
  };
  store("01010101010101010101010101010101", "個人用フォルダ", Utf16z(path("big.pst")), "MSPST MS", "00000000");
  store("02020202020202020202020202020202", "新しい個人用フォルダ", Utf16z(path("new.pst")), "MSUPST MS", "00000080");
  store("03030303030303030303030303030303", "アーカイブ 2019", Utf16z(path("small.pst")), "MSPST MS", "00000000");
  store("04040404040404040404040404040404", "サービスだけが知るフォルダ", Utf16z(path("service.pst")), "MSPST MS", "",
        false);
  store("06060606060606060606060606060606", "Microsoft Exchange", "", "MSEMS", "");
  store("07070707070707070707070707070707", "除外済み", Utf16z(path("excluded.pst")) + Utf16z("junk"), "MSPST MS",
        "00000000");
  registry.SetBytes(profile + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00", list);

  MakeStoreFile(mail.path() / "big.pst", 1'700'000'000);
  MakeStoreFile(mail.path() / "new.pst", 3'000'000'000, profile::PstFormat::Unicode);
  MakeStoreFile(mail.path() / "small.pst", 300'000'000);
  MakeStoreFile(mail.path() / "service.pst", 1'800'000'000);
  MakeStoreFile(mail.path() / "excluded.pst", 1'650'000'000);
  testing_support::WriteBytes(
      program.File("Orvane.ini"),
      platform::ToAnsi("[No Check]\r\n07070707070707070707070707070707=" + path("excluded.pst") + "\r\n"));

  testing_support::ScriptedUser user;
  user.excludedUids = {"04040404040404040404040404040404"};
  EXPECT_EQ(RunMasked(user, program, mail), ReadBytes(std::string(ORVANE_TEST_DATA_DIR) + "/check/current-client.log"));
  ASSERT_EQ(user.shown.size(), 2u);
}

// Each file as its header states it, against what the profile recorded: an ANSI
// file the profile calls Unicode is measured and warned about, a Unicode file the
// profile calls ANSI is not, and a file whose header cannot be read keeps the
// profile's answer; each disagreement and each unread header is one line.
TEST(WholeRun, TheFilesHeaderDecidesItsFormat) {
  RegistryFixture registry;
  TempDir program;
  TempDir mail;
  const std::string profile = std::string(RegistryFixture::kNtProfiles) + "\\Outlook";
  registry.SetText(RegistryFixture::kNtProfiles, "DefaultProfile", "Outlook");
  std::string list;
  const auto store = [&](const std::string& uid, const std::string& file, const std::string& service) {
    list += Unhex(uid);
    registry.SetBytes(profile + "\\" + uid, "001f3001", Utf16z(file));
    registry.SetBytes(profile + "\\" + uid, "001f6700", Utf16z(Utf8(mail.path() / file)));
    registry.SetBytes(profile + "\\" + uid, "001f3d09", Utf16z(service));
  };
  store("01010101010101010101010101010101", "restored.pst", "MSUPST MS");
  store("02020202020202020202020202020202", "upgraded.pst", "MSPST MS");
  store("03030303030303030303030303030303", "junk.pst", "MSPST MS");
  store("04040404040404040404040404040404", "short.pst", "MSUPST MS");
  store("05050505050505050505050505050505", "agreed.pst", "MSPST MS");
  store("06060606060606060606060606060606", "agreed-unicode.pst", "MSUPST MS");
  registry.SetBytes(profile + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00", list);
  testing_support::MakeStoreFile(mail.path() / "restored.pst", 1'700'000'000, profile::PstFormat::Ansi);
  testing_support::MakeStoreFile(mail.path() / "upgraded.pst", 3'000'000'000, profile::PstFormat::Unicode);
  testing_support::WriteBytes(Utf8(mail.path() / "junk.pst"), std::string(4096, 'x'));
  fs::resize_file(mail.path() / "junk.pst", 1'700'000'000);
  testing_support::WriteBytes(Utf8(mail.path() / "short.pst"), "!BDN");
  testing_support::MakeStoreFile(mail.path() / "agreed.pst", 100'000'000, profile::PstFormat::Ansi);
  testing_support::MakeStoreFile(mail.path() / "agreed-unicode.pst", 3'000'000'000, profile::PstFormat::Unicode);

  testing_support::ScriptedUser user;
  mdlOrvane::Dialog = &user;
  mdlOrvane::Run(Utf8(program.path()), "Orvane");
  mdlOrvane::Dialog = nullptr;
  std::vector<std::string> log = testing_support::ReadLogMessages(program.File("Orvane.log"));
  const auto from =
      std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.ends_with("サブキー取得"); });
  ASSERT_NE(from, log.end());
  const std::string dir = Utf8(mail.path()) + (Utf8(mail.path()).find('\\') != std::string::npos ? "\\" : "/");
  const auto line = [&](const std::string& uid, const std::string& file, const char* format) {
    return "個人用フォルダ情報取得：" + uid + ", " + file + ", (" + format + "形式), " + dir + file;
  };
  EXPECT_EQ(std::vector<std::string>(from + 1, log.end()),
            (std::vector<std::string>{
                line("01010101010101010101010101010101", "restored.pst", "2003"),
                "ファイルのヘッダーは97-2002形式です (プロファイルの記録は2003形式)",
                "サイズ：1660157, 警告画面表示",
                line("02020202020202020202020202020202", "upgraded.pst", "97-2002"),
                "ファイルのヘッダーは2003形式です (プロファイルの記録は97-2002形式)",
                "2003形式のためチェック対象外",
                line("03030303030303030303030303030303", "junk.pst", "97-2002"),
                "ファイルのヘッダーを読み取れません: " + dir + "junk.pst (個人用フォルダのファイルではありません)",
                "サイズ：1660157, 警告画面表示",
                line("04040404040404040404040404040404", "short.pst", "2003"),
                "ファイルのヘッダーを読み取れません: " + dir + "short.pst (ファイルが短すぎます)",
                "2003形式のためチェック対象外",
                line("05050505050505050505050505050505", "agreed.pst", "97-2002"),
                "サイズ：97657, 警告サイズ以下",
                line("06060606060606060606060606060606", "agreed-unicode.pst", "2003"),
                "2003形式のためチェック対象外",
                "Orvane 終了",
            }));
  ASSERT_EQ(user.shown.size(), 2u);
  EXPECT_EQ(user.shown[0].StoreFormat, profile::PstFormat::Ansi);
}

}  // namespace
