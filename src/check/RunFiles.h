#pragma once

#include <string>
#include <vector>

#include "platform/UserFolders.h"

namespace mdlOrvane {

// Where one run keeps and finds its files.
struct RunFiles {
  std::string settings;                    // the user's settings file: read, and written
  std::string log;                         // the run's log
  std::vector<std::string> admin;          // administrators' settings files, the first winning; only read
  std::vector<std::string> foldersToMake;  // the user's own folders, made before the run's first line
};

// The files of a run of the program `baseName` in `programFolder`. When the run
// may keep its files there (`besideProgram`: the user may replace them, and the
// folder is no shared install), the settings file and the log are named after the
// program beside it; else they go into the user's own folders under `userBases`
// (Windows: %APPDATA%\Orvane for both; Linux: orvane in the XDG configuration and
// state folders), and the settings file beside the program is the
// administrator's. Without user folders to go to they stay beside the program. A
// settings file in `systemSettings`/orvane (Linux: /etc/orvane) is an
// administrator's too, and comes first.
RunFiles PlaceRunFiles(const std::string& programFolder, const std::string& baseName, bool besideProgram,
                       const platform::UserFolders& userBases, const std::string& systemSettings);

// `name` in `folder`, with the system's separator; none is added after a root
// that ends with one ("C:\", "/").
std::string JoinPath(const std::string& folder, const std::string& name);

// The file beside a program installed for every user that says so: the machine's
// installers and the install for every user leave it, and a run of any account,
// an administrator's or root's too, then keeps its files in its own folders.
inline constexpr const char* kSharedInstallMarker = "Orvane.shared";

}  // namespace mdlOrvane
