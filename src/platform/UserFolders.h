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

// Whether this user may create and replace the files `names` in `folder`: new
// files can be made there, and each of them that exists as a file can be written.
// Nothing is left behind by asking.
bool CanReplaceFiles(const std::string& folder, const std::vector<std::string>& names);

// Whether something (a file, a folder) is at `path`.
bool PathExists(const std::string& path);

// Creates `folder` and every missing folder above it (on Linux readable by this
// user only). True when it is there afterwards.
bool CreateFolders(const std::string& folder);

// Whether `folder`, one of the user's own, may hold this user's files: on Linux
// it must belong to the user and be writable by no one else (a folder another
// account could change could also plant or replace the files in it). Windows
// keeps %APPDATA% for its user.
enum class FolderState { Usable, OtherOwner, WritableByOthers };
FolderState CheckUserFolder(const std::string& folder);

}  // namespace platform
