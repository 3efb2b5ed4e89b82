#pragma once

#include <string>
#include <vector>

namespace platform {

// The user's own folders for settings and for logs (state), UTF-8: Windows
// %APPDATA% for both (roaming, like the mail profile they refer to); Linux
// $XDG_CONFIG_HOME and $XDG_STATE_HOME, or ~/.config and ~/.local/state when these
// are unset, not absolute or the root. Both empty when the system names no such
// folder.
struct UserFolders {
  std::string settings;
  std::string log;
};
UserFolders UserDataFolders();

// Where the system keeps settings that hold for every user: "/etc" on Linux;
// empty on Windows, where policy does that.
std::string SystemSettingsFolder();

}  // namespace platform
