#pragma once
// The few questions the run asks of the file system about folders: where the
// user's home is, whether a folder takes the run's files, and making one.

#include <string>
#include <vector>

namespace platform {

// The user's home folder (UTF-8), without a trailing separator: Linux HOME when it
// is an absolute path, else the home of the user's account; Windows %USERPROFILE%.
// Empty when there is none.
std::string HomeFolder();

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
