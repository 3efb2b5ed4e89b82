#pragma once
// What the run and the store check share inside this module.

#include <set>
#include <string>

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

// Whether Unicode files, and offline files, are watched too: only when the
// organisation sets a size for them.
bool WatchesUnicode();

// Whether the mail client, by a policy or preference of its own, stops taking
// data into ANSI files before LimitSize: the room left is then measured to there.
bool ClientStopsFirst();

// Why a look at a file was given up: it did not answer in time, or the run was
// asked to end while it waited.
std::string GivenUp();

}  // namespace mdlOrvane
