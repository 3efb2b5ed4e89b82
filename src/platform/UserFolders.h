#pragma once

#include <string>
#include <vector>

namespace platform {

// Where a run keeps its settings file and its log when the program's own folder
// cannot be written (a program installed for every user): Windows keeps both in
// %APPDATA%\Orvane (roaming, like the mail profile they refer to); Linux the
// settings in $XDG_CONFIG_HOME/orvane and the log in $XDG_STATE_HOME/orvane
// (~/.config and ~/.local/state when these are unset or not absolute). UTF-8;
// both empty when the system names no such folder.
struct UserFolders {
  std::string settings;
  std::string log;
};
UserFolders UserDataFolders();

// Where the system keeps settings that hold for every user: "/etc" on Linux;
// empty on Windows, where policy does that.
std::string SystemSettingsFolder();

// Whether this user may create and replace the files `names` in `folder`: new
// files can be made there, and each of them that exists as a file can be written.
// Nothing is left behind by asking.
bool CanReplaceFiles(const std::string& folder, const std::vector<std::string>& names);

// Creates `folder` and every missing folder above it (on Linux readable by this
// user only). True when it is there afterwards.
bool CreateFolders(const std::string& folder);

}  // namespace platform
