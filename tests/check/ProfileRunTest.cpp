// Whole runs over a mail profile the registry fixture writes: the stores a run
// finds through it are checked, sized, warned about and excluded.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "check/mdlOrvane.h"
#include "support/RegistryFixture.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

using testing_support::Ansiz;
using testing_support::ReadLogMessages;
using testing_support::RegistryFixture;
using testing_support::TempDir;
using testing_support::Unhex;
using testing_support::Utf16z;

using namespace testing_support::profile_keys;

class ProfileRun : public ::testing::Test {
 protected:
  void TearDown() override { mdlOrvane::Dialog = nullptr; }

  // A profile `profiles`\`name` with one ANSI store whose file is `length` bytes
  // long; returns the file's path.
  std::string AddProfile(const std::string& profiles, const std::string& name, const std::string& uid,
                         std::uintmax_t length) {
    const std::string key = profiles + "\\" + name;
    const std::string file = mail_.File(uid.substr(0, 4) + ".pst");
    testing_support::MakeStoreFile(testing_support::PathFromUtf8(file), length);
    registry_.SetBytes(key + "\\" + testing_support::RegistryFixture::kStoreListSection, "01023d00", Unhex(uid));
    registry_.SetBytes(key + "\\" + uid, "001e3001", Ansiz("個人用フォルダ"));
    registry_.SetBytes(key + "\\" + uid, "001e6700", Ansiz(file));
    return file;
  }

  // Runs the program with the scripted user; returns the log from the profile line on.
  std::vector<std::string> Run() {
    mdlOrvane::Dialog = &user_;
    mdlOrvane::Run(testing_support::Utf8(program_.path()), "Orvane");
    const std::vector<std::string> log = ReadLogMessages(mdlOrvane::LogFilePath);
    const auto profileLine = std::find_if(log.begin(), log.end(),
                                          [](const std::string& line) { return line.rfind("プロファイル", 0) == 0; });
    return {profileLine, log.end()};
  }

  RegistryFixture registry_;
  TempDir program_;
  TempDir mail_;
  testing_support::ScriptedUser user_;
};

TEST_F(ProfileRun, StoreOfA2016ProfileIsCheckedSizedAndWarnedAbout) {
  const std::string uid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
  registry_.SetText(kClient16, "DefaultProfile", "Outlook");
  const std::string file = AddProfile(kClient16 + "\\Profiles", "Outlook", uid, 1'700'000'000);
  const std::string key = kClient16 + "\\Profiles\\Outlook";
  EXPECT_EQ(Run(),
            (std::vector<std::string>{"プロファイル名取得：" + key, kSubkeyLine,
                                      "個人用フォルダ情報取得：" + uid + ", 個人用フォルダ, (97-2002形式), " + file,
                                      "サイズ：1660157, 警告画面表示", "Orvane 終了"}));
  ASSERT_EQ(user_.shown.size(), 1u);
  EXPECT_EQ(user_.shown[0].StorePath, file);
  EXPECT_EQ(user_.shown[0].StoreSizeKb, "1660157");
}

// A name without a profile key is still the default profile: the run does not
// go on to a profile at a later location, just as with the older keys.
TEST_F(ProfileRun, DefaultNamingAMissingProfileFindsNoStores) {
  registry_.SetText(kClient16, "DefaultProfile", "Gone");
  registry_.SetText(kClient15, "DefaultProfile", "Outlook");
  AddProfile(kClient15 + "\\Profiles", "Outlook", "11223344556677889900AABBCCDDEEFF", 1'700'000'000);
  AddProfile(kClient16 + "\\Profiles", "Other", "22223344556677889900AABBCCDDEEFF", 1'700'000'000);
  EXPECT_EQ(Run(), (std::vector<std::string>{"プロファイル名取得：" + kClient16 + "\\Profiles\\Gone", kSubkeyLine,
                                             "個人用フォルダ無し", "Orvane 終了"}));
  EXPECT_TRUE(user_.shown.empty());
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Text past the registry reads' buffers: a path of over 300 bytes in code page 932
// under deep Japanese folders and a display name of 200 Japanese characters, in
// 8-bit binary values as older clients write them and as REG_SZ, which the
// registry hands over in the code page.
TEST_F(ProfileRun, LongEightBitNamesAndPathsAreReadWholeWarnedAboutAndExcluded) {
  const std::string folder = Repeat("個人用フォルダ", 10);  // 140 bytes in code page 932
  const auto deep = mail_.path() / testing_support::PathFromUtf8(folder) / testing_support::PathFromUtf8(folder);
  const std::string binaryPath = testing_support::MakeStoreFile(deep / "binary.pst", 1'700'000'000);
  const std::string textPath = testing_support::MakeStoreFile(deep / "text.pst", 1'700'000'000);
  ASSERT_GT(platform::ToAnsi(binaryPath).size(), 300u);
  const std::string longName = Repeat("受信した古いメールの保管場所", 15).substr(0, 200 * 3);  // 200 characters
  const std::string binaryUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
  const std::string textUid = "11223344556677889900AABBCCDDEEFF";
  registry_.SetText(kNtBase, "DefaultProfile", "Outlook");
  registry_.SetBytes(kStoreListKey, "01023d00", Unhex(binaryUid) + Unhex(textUid));
  registry_.SetBytes(kProfileKey + "\\" + binaryUid, "001e3001", Ansiz(longName));
  registry_.SetBytes(kProfileKey + "\\" + binaryUid, "001e6700", Ansiz(binaryPath));
  registry_.SetText(kProfileKey + "\\" + textUid, "001e3001", longName);
  registry_.SetText(kProfileKey + "\\" + textUid, "001e6700", textPath);

  user_.excludes = true;
  const auto warned = [&](const std::string& uid, const std::string& path) {
    return std::vector<std::string>{"個人用フォルダ情報取得：" + uid + ", " + longName + ", (97-2002形式), " + path,
                                    "サイズ：1660157, 警告画面表示", "次回よりチェックを省略"};
  };
  std::vector<std::string> expected{"プロファイル名取得：" + kProfileKey, kSubkeyLine};
  for (const auto& [uid, path] : {std::pair{binaryUid, binaryPath}, std::pair{textUid, textPath}}) {
    const std::vector<std::string> lines = warned(uid, path);
    expected.insert(expected.end(), lines.begin(), lines.end());
  }
  expected.push_back("Orvane 終了");
  EXPECT_EQ(Run(), expected);
  ASSERT_EQ(user_.shown.size(), 2u);
  EXPECT_EQ(user_.shown[1].StoreDisplayName, longName);

  const std::vector<std::string> again = Run();
  EXPECT_EQ(std::count(again.begin(), again.end(), "サイズ：1660157, チェック省略対象"), 2);
}

// Windows takes a UTF-16 path up to its first NUL; so does the log, and the
// exclusion made for the store is recorded and found again.
TEST_F(ProfileRun, UnicodePathEndsAtItsFirstNulAndItsExclusionIsKept) {
  const std::string uid = "5E6F708192A3B4C5D6E7F8091A2B3C4D";
  const std::string file = testing_support::MakeStoreFile(mail_.path() / "a.pst", 1'700'000'000);
  registry_.SetText(kNtBase, "DefaultProfile", "Outlook");
  registry_.SetBytes(kStoreListKey, "01023d00", Unhex(uid));
  registry_.SetBytes(kProfileKey + "\\" + uid, "001f3001", Utf16z("個人用フォルダ"));
  registry_.SetBytes(kProfileKey + "\\" + uid, "001f6700", Utf16z(file) + Utf16z("junk"));
  registry_.SetBytes(kProfileKey + "\\" + uid, "001f3d09", Utf16z("MSPST MS"));

  user_.excludes = true;
  EXPECT_EQ(Run(),
            (std::vector<std::string>{"プロファイル名取得：" + kProfileKey, kSubkeyLine,
                                      "個人用フォルダ情報取得：" + uid + ", 個人用フォルダ, (97-2002形式), " + file,
                                      "サイズ：1660157, 警告画面表示", "次回よりチェックを省略", "Orvane 終了"}));
  const std::string ini = testing_support::ReadBytes(mdlOrvane::IniFilePath);
  EXPECT_NE(ini.find(uid + "=" + platform::ToAnsi(file) + "\r\n"), std::string::npos);
  EXPECT_EQ(ini.find('\0'), std::string::npos);
  EXPECT_EQ(testing_support::ReadBytes(mdlOrvane::LogFilePath).find('\0'), std::string::npos);
  EXPECT_EQ(Run()[3], "サイズ：1660157, チェック省略対象");
}

}  // namespace
