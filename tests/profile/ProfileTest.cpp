#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/CodePage.h"
#include "profile/Profile.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"

namespace {

using testing_support::Ansiz;
using testing_support::ReadLogMessages;
using testing_support::RegistryFixture;
using testing_support::TempDir;
using testing_support::Unhex;
using testing_support::Utf16z;
using namespace std::string_literals;

using namespace testing_support::profile_keys;
const std::string kOldBase = RegistryFixture::kOldProfiles;

class ProfileWalk : public ::testing::Test {
 protected:
  std::vector<std::string> Log() const { return ReadLogMessages(logPath_); }

  RegistryFixture registry_;
  TempDir dir_;
  const std::string logPath_ = dir_.File("Orvane.log");
  profile::StoreInfo store_;
};

TEST_F(ProfileWalk, NtFamilyProfileWinsOverTheOlderOne) {
  registry_.SetText(kNtBase, "DefaultProfile", "Outlook");
  registry_.SetText(kOldBase, "DefaultProfile", "Old");
  EXPECT_EQ(profile::FindDefaultProfile(logPath_), kProfileKey);
  EXPECT_EQ(Log(), std::vector<std::string>{"プロファイル名取得：" + kProfileKey});
}

TEST_F(ProfileWalk, OlderLocationIsUsedWhenTheNtFamilyOneHasNoDefault) {
  registry_.SetText(kNtBase, "DefaultProfile", "");
  registry_.SetText(kOldBase, "DefaultProfile", "Old");
  EXPECT_EQ(profile::FindDefaultProfile(logPath_), kOldBase + "\\Old");
  EXPECT_EQ(Log(), std::vector<std::string>{"プロファイル名取得：" + kOldBase + "\\Old"});
}

TEST_F(ProfileWalk, NoDefaultProfileGivesNoKeyAndNoLine) {
  registry_.CreateKey(kNtBase);
  EXPECT_EQ(profile::FindDefaultProfile(logPath_), "");
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProfileWalk, JapaneseProfileNameIsKeptInTheKeyAndTheLogLine) {
  registry_.SetText(kNtBase, "DefaultProfile", "メール 日本");
  registry_.SetBytes(kNtBase + "\\メール 日本\\9207f3e0a3b11019908b08002b2a56c2", "01023d00",
                     Unhex("0a1b2c3d4e5f60718293a4b5c6d7e8f9"));
  const std::string key = profile::FindDefaultProfile(logPath_);
  EXPECT_EQ(key, kNtBase + "\\メール 日本");
  EXPECT_EQ(profile::ReadStoreSections(key, logPath_), std::vector<std::string>{"0A1B2C3D4E5F60718293A4B5C6D7E8F9"});
  EXPECT_EQ(Log(), (std::vector<std::string>{"プロファイル名取得：" + key, kSubkeyLine}));
}

TEST_F(ProfileWalk, StoreListIsSplitIntoUpperCaseNamesOf32Digits) {
  registry_.SetBytes(kStoreListKey, "01023d00",
                     Unhex("0a1b2c3d4e5f60718293a4b5c6d7e8f9"
                           "11223344556677889900aabbccddeeff"
                           "f0e1d2c3b4a5968778695a4b3c2d1e0f"));
  EXPECT_EQ(profile::ReadStoreSections(kProfileKey, logPath_),
            (std::vector<std::string>{"0A1B2C3D4E5F60718293A4B5C6D7E8F9", "11223344556677889900AABBCCDDEEFF",
                                      "F0E1D2C3B4A5968778695A4B3C2D1E0F"}));
  EXPECT_EQ(Log(), std::vector<std::string>{kSubkeyLine});
}

TEST_F(ProfileWalk, BytesAfterTheLastWholeIdentifierAreDropped) {
  registry_.SetBytes(kStoreListKey, "01023d00",
                     Unhex("0a1b2c3d4e5f60718293a4b5c6d7e8f9"
                           "11223344556677889900aabbccddeeff"
                           "0102030405060708"));
  EXPECT_EQ(profile::ReadStoreSections(kProfileKey, logPath_).size(), 2u);
  registry_.SetBytes(kStoreListKey, "01023d00", Unhex("0a1b2c3d4e5f60718293a4b5c6d7e8"));
  EXPECT_TRUE(profile::ReadStoreSections(kProfileKey, logPath_).empty());
  EXPECT_EQ(Log(), (std::vector<std::string>{kSubkeyLine, kSubkeyLine}));
}

TEST_F(ProfileWalk, StoreListLongerThanTheByteShapeIsReadWhole) {
  std::string list;
  for (int i = 0; i < 300; ++i) list += std::string(15, '\x11') + static_cast<char>(i);  // 4800 bytes
  registry_.SetBytes(kStoreListKey, "01023d00", list);
  std::vector<std::string> sections = profile::ReadStoreSections(kProfileKey, logPath_);
  ASSERT_EQ(sections.size(), 300u);
  EXPECT_EQ(sections.back(), std::string(30, '1') + "2B");
  // Past a mebibyte too: 65,600 stores, the last of them found.
  list.assign(65600 * 16 - 16, '\x11');
  list += std::string(15, '\x22') + '\x33';
  registry_.SetBytes(kStoreListKey, "01023d00", list);
  sections = profile::ReadStoreSections(kProfileKey, logPath_);
  ASSERT_EQ(sections.size(), 65600u);
  EXPECT_EQ(sections.back(), std::string(30, '2') + "33");
}

TEST_F(ProfileWalk, MissingStoreListGivesNoSectionsButStillTheLine) {
  EXPECT_TRUE(profile::ReadStoreSections(kProfileKey, logPath_).empty());
  EXPECT_EQ(Log(), std::vector<std::string>{kSubkeyLine});
}

TEST_F(ProfileWalk, StoreWhoseIdentifierEndsInZeroBytesIsKept) {
  registry_.SetBytes(kStoreListKey, "01023d00",
                     Unhex("0a1b2c3d4e5f60718293a4b5c6d7e8f9"
                           "11223344556677889900aabbcc000000"));
  EXPECT_EQ(profile::ReadStoreSections(kProfileKey, logPath_),
            (std::vector<std::string>{"0A1B2C3D4E5F60718293A4B5C6D7E8F9", "11223344556677889900AABBCC000000"}));
}

TEST_F(ProfileWalk, EightBitDisplayNameWinsAndMeansTheOldFormat) {
  const std::string section = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
  const std::string key = kProfileKey + "\\" + section;
  registry_.SetBytes(key, "001e3001", Ansiz("個人用フォルダ"));
  registry_.SetBytes(key, "001f3001", Utf16z("Unicode name"));
  registry_.SetBytes(key, "001e6700", Ansiz("C:\\Mail\\個人用フォルダ.pst"));
  registry_.SetBytes(key, "001f6700", Utf16z("C:\\Mail\\unicode.pst"));
  profile::ReadStoreEntry(kProfileKey, section, store_);
  EXPECT_EQ(store_.StoreUid, section);
  EXPECT_EQ(store_.StoreDisplayName, "個人用フォルダ");
  EXPECT_EQ(store_.StoreFormat, profile::PstFormat::Ansi);
  EXPECT_EQ(store_.StorePath, "C:\\Mail\\個人用フォルダ.pst");
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProfileWalk, UnicodeOnlyStoreMeansTheNewFormat) {
  const std::string section = "5E6F708192A3B4C5D6E7F8091A2B3C4D";
  // Section keys are found whatever case the registry holds them in.
  const std::string key = kProfileKey + "\\5e6f708192a3b4c5d6e7f8091a2b3c4d";
  registry_.SetBytes(key, "001f3001", Utf16z("新しい個人用フォルダ"));
  registry_.SetBytes(key, "001f6700", Utf16z("C:\\Mail\\new.pst"));
  profile::ReadStoreEntry(kProfileKey, section, store_);
  EXPECT_EQ(store_.StoreDisplayName, "新しい個人用フォルダ");
  EXPECT_EQ(store_.StoreFormat, profile::PstFormat::Unicode);
  EXPECT_EQ(store_.StorePath, "C:\\Mail\\new.pst");
}

TEST_F(ProfileWalk, StoreWithoutPathIsStillReadAndLongEightBitTextIsReadWhole) {
  const std::string section = "11223344556677889900AABBCCDDEEFF";
  const std::string key = kProfileKey + "\\" + section;
  registry_.SetBytes(key, "001e3001", std::string(300, 'n') + '\0');  // past the 256-byte text buffer
  registry_.SetBytes(key, "001f3001", Utf16z("Mailbox"));
  store_.StorePath = "left from the last store";
  profile::ReadStoreEntry(kProfileKey, section, store_);
  EXPECT_EQ(store_.StoreDisplayName, std::string(300, 'n'));
  EXPECT_EQ(store_.StoreFormat, profile::PstFormat::Ansi);
  EXPECT_EQ(store_.StorePath, "");
}

// The format is the one the profile records, whatever kind of text the names are
// written in: current clients write UTF-16 names for files of either format.
TEST(StoreFormat, TheServiceThenItsSectionThenTheFlagsThenTheKindOfName) {
  const std::string section = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
  const std::string serviceSection = "3C4D5E6F708192A3B4C5D6E7F8091A2B";
  const std::string serviceId = Unhex("3c4d5e6f708192a3b4c5d6e7f8091a2b");
  using Values = std::vector<std::pair<std::string, std::string>>;
  const std::pair<std::string, std::string> ansiName{"001e3001", Ansiz("個人用フォルダ")};
  const std::pair<std::string, std::string> unicodeName{"001f3001", Utf16z("個人用フォルダ")};
  struct Case {
    const char* what;
    Values store;
    Values service;  // the values of the section that 01023d0c names
    const char* format;
  };
  const Case cases[] = {
      {"UTF-16 service name of an ANSI file", {unicodeName, {"001f3d09", Utf16z("MSPST MS")}}, {}, "97-2002"},
      {"UTF-16 service name of a Unicode file", {unicodeName, {"001f3d09", Utf16z("MSUPST MS")}}, {}, "2003"},
      {"the service wins over an 8-bit name", {ansiName, {"001f3d09", Utf16z("MSUPST MS")}}, {}, "2003"},
      {"8-bit service name, before the UTF-16 one",
       {unicodeName, {"001e3d09", Ansiz("MSPST MS")}, {"001f3d09", Utf16z("MSUPST MS")}},
       {},
       "97-2002"},
      {"the service's own section",
       {unicodeName, {"01023d0c", serviceId}, {"00036770", Unhex("00000080")}},
       {{"001f3d09", Utf16z("MSPST MS")}},
       "97-2002"},
      {"flags with the Unicode bit", {ansiName, {"00036770", Unhex("00000080")}}, {}, "2003"},
      {"flags without it", {unicodeName, {"00036770", Unhex("00000000")}}, {}, "97-2002"},
      {"another service tells nothing, the flags do",
       {unicodeName, {"001f3d09", Utf16z("MSEMS")}, {"01023d0c", serviceId}, {"00036770", Unhex("01000000")}},
       {{"001f3d09", Utf16z("MSEMS")}},
       "97-2002"},
      {"another service and nothing else: the 8-bit name", {ansiName, {"001f3d09", Utf16z("EMABLT")}}, {}, "97-2002"},
      {"a service section that is not there", {unicodeName, {"01023d0c", serviceId}}, {}, "2003"},
      {"flags of another length", {ansiName, {"00036770", Unhex("000080")}}, {}, "97-2002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryFixture registry;
    for (const auto& [name, bytes] : c.store) registry.SetBytes(kProfileKey + "\\" + section, name, bytes);
    for (const auto& [name, bytes] : c.service) registry.SetBytes(kProfileKey + "\\" + serviceSection, name, bytes);
    profile::StoreInfo store;
    profile::ReadStoreEntry(kProfileKey, section, store);
    EXPECT_STREQ(profile::FormatText(store.StoreFormat), c.format);
    EXPECT_EQ(store.StoreDisplayName, "個人用フォルダ");
  }
}

// The 2013 and later clients name the default profile in the key above their
// profiles; the locations read before them keep their precedence.
TEST(DefaultProfile, FirstLocationThatNamesOneWins) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> defaults;  // key holding DefaultProfile, name
    std::string found;
  };
  const Case cases[] = {
      {"16.0 only", {{kClient16, "Outlook"}}, kClient16 + "\\Profiles\\Outlook"},
      {"15.0 only", {{kClient15, "メール 2013"}}, kClient15 + "\\Profiles\\メール 2013"},
      {"16.0 before 15.0", {{kClient15, "Old"}, {kClient16, "New"}}, kClient16 + "\\Profiles\\New"},
      {"an empty name is passed over", {{kClient16, ""}, {kClient15, "Old"}}, kClient15 + "\\Profiles\\Old"},
      {"NT-family key before 16.0", {{kClient16, "New"}, {kNtBase, "Outlook"}}, kProfileKey},
      {"older key before 16.0", {{kClient16, "New"}, {kOldBase, "Old"}}, kOldBase + "\\Old"},
      {"not read inside Profiles", {{kClient16 + "\\Profiles", "Outlook"}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryFixture registry;
    TempDir dir;
    const std::string logPath = dir.File("Orvane.log");
    for (const auto& [key, name] : c.defaults) registry.SetText(key, "DefaultProfile", name);
    EXPECT_EQ(profile::FindDefaultProfile(logPath), c.found);
    const std::vector<std::string> line = {"プロファイル名取得：" + c.found};
    EXPECT_EQ(ReadLogMessages(logPath), c.found.empty() ? std::vector<std::string>{} : line);
  }
}

}  // namespace
