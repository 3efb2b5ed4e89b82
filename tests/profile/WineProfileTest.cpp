// Linux: the profile walk over a user.reg that Wine itself wrote (with "reg add"
// and a Japanese profile name), where the Windows build found the same profile.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/emulation/UserReg.h"
#include "platform/posix/HiveCache.h"
#include "profile/Profile.h"
#include "support/TempDir.h"

namespace {

using testing_support::TempDir;

class WineWrittenProfile : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteBytes(
        prefix_.File("user.reg"),
        testing_support::ReadBytes(std::string(ORVANE_TEST_DATA_DIR) + "/registry/wine_written_profile.reg"));
    previous_ = std::getenv("WINEPREFIX");
    setenv("WINEPREFIX", testing_support::Utf8(prefix_.path()).c_str(), 1);
    platform::posix::ForgetUserReg();
  }
  void TearDown() override {
    setenv("WINEPREFIX", previous_.c_str(), 1);
    platform::posix::ForgetUserReg();
  }

  TempDir prefix_;
  TempDir logDir_;
  const std::string logPath_ = logDir_.File("Orvane.log");
  std::string previous_;
};

TEST_F(WineWrittenProfile, WalkFindsTheProfileAndEveryStore) {
  const std::string key = profile::FindDefaultProfile(logPath_);
  EXPECT_EQ(key, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\メール 日本");
  const std::vector<std::string> sections = profile::ReadStoreSections(key, logPath_);
  ASSERT_EQ(sections, (std::vector<std::string>{"0A1B2C3D4E5F60718293A4B5C6D7E8F9", "5E6F708192A3B4C5D6E7F8091A2B3C4D",
                                                "11223344556677889900AABBCC000000"}));
  profile::StoreInfo store;
  profile::ReadStoreEntry(key, sections[0], store);
  EXPECT_EQ(store.StoreDisplayName, "個人用フォルダ");
  EXPECT_EQ(store.StoreFormat, profile::PstFormat::Ansi);
  EXPECT_EQ(store.StorePath, "C:\\users\\demo\\個人用フォルダ.pst");
  profile::ReadStoreEntry(key, sections[1], store);
  EXPECT_EQ(store.StoreDisplayName, "新しい個人用フォルダ");
  EXPECT_EQ(store.StoreFormat, profile::PstFormat::Unicode);
  EXPECT_EQ(store.StorePath, "C:\\users\\demo\\new.pst");
  profile::ReadStoreEntry(key, sections[2], store);
  EXPECT_EQ(store.StoreDisplayName, "Archive");
  EXPECT_EQ(store.StorePath, "");
}

}  // namespace
