#pragma once
// What the run and the store check share inside this module.

#include <cstdint>
#include <set>
#include <string>

#include "check/History.h"

namespace mdlOrvane {

// The files checked in the places read before the current one, and in it: a file
// that two places reach (two Wine prefixes linked to one folder) is checked once.
// They outlive a CheckStore call, which takes no arguments, for the run's later
// stores; CheckProfiles empties them as it begins.
struct CheckedFiles {
  std::set<std::string> before;
  std::set<std::string> now;
};
inline CheckedFiles Checked;

// The Wine prefix the profile being checked comes from, when the run reads more
// than one (ProfileSource::prefix); empty on Windows. Two prefixes may each hold a
// C:\Mail\a.pst of their own: the history tells them apart by it.
inline std::string CurrentPrefix;

// The run's history of the files it checked, and whether it is kept (there is a
// history file to keep it in). Read as the run begins, saved as it ends.
struct RunHistory {
  history::History files;
  std::string path;  // the history file; empty: nothing is remembered
  std::string read;  // the text it was read as, to write only a change
  std::int32_t today = 0;
};
inline RunHistory History;

// Reads the history file beside the settings file, or starts anew (and says so)
// when it is damaged; saves it back once the stores are checked.
void LoadHistory();
void SaveHistory();

// Whether Unicode files, and offline files, are watched too: only when the
// organisation sets a size for them.
bool WatchesUnicode();

// Whether the mail client, by a policy or preference of its own, stops taking
// data into ANSI files before LimitSize: the room left is then measured to there.
bool ClientStopsFirst();

}  // namespace mdlOrvane
