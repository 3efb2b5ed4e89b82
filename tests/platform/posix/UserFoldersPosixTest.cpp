// The user's own folders on Linux: where the XDG variables and the home put them,
// how they are made, and when they are not the user's to use.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/UserFolders.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedEnv;

TEST(UserFolders, XdgFoldersWhenAbsoluteElseUnderTheHome) {
  struct Row {
    std::optional<std::string> config, state, home;
    std::string settings, log;
  };
  const Row rows[] = {
      {std::nullopt, std::nullopt, "/home/u", "/home/u/.config", "/home/u/.local/state"},
      {"/x/config//", "/x/state", "/home/u", "/x/config", "/x/state"},
      {"relative/config", "", "/home/u/", "/home/u/.config", "/home/u/.local/state"},
      {"/", "//", "/home/u", "/home/u/.config", "/home/u/.local/state"},  // no user owns the root
      {std::nullopt, std::nullopt, "/", "/.config", "/.local/state"},
  };
  for (const Row& row : rows) {
    const ScopedEnv config("XDG_CONFIG_HOME", row.config);
    const ScopedEnv state("XDG_STATE_HOME", row.state);
    const ScopedEnv home("HOME", row.home);
    const platform::UserFolders folders = platform::UserDataFolders();
    EXPECT_EQ(folders.settings, row.settings) << row.config.value_or("(unset)");
    EXPECT_EQ(folders.log, row.log) << row.state.value_or("(unset)");
  }
}

TEST(UserFolders, MadeForTheUserAloneAndUsedOnlyWhenTheyAreTheUsersAlone) {
  testing_support::TempDir dir;
  const std::string nested = dir.File("a/b/c");
  ASSERT_TRUE(platform::CreateFolders(nested));
  for (const std::string& folder : {dir.File("a"), dir.File("a/b"), nested})
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
  EXPECT_TRUE(platform::CreateFolders(nested));  // already there
  EXPECT_EQ(platform::CheckUserFolder(nested), platform::FolderState::Usable);

  testing_support::WriteBytes(dir.File("file"), "");
  EXPECT_FALSE(platform::CreateFolders(dir.File("file")));
  EXPECT_FALSE(platform::CreateFolders(dir.File("file/below")));

  fs::permissions(nested, fs::perms::all);
  EXPECT_EQ(platform::CheckUserFolder(nested), platform::FolderState::WritableByOthers);
  fs::permissions(nested, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_EQ(platform::CheckUserFolder(nested), platform::FolderState::Usable);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(nested.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::CheckUserFolder(nested), platform::FolderState::OtherOwner);
  }
}

}  // namespace
