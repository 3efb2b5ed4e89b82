#pragma once

#include <string>
#include <vector>

namespace platform {

// A place that the user's mail profiles are read from: Windows has one, the
// user's own registry; on Linux each is a Wine prefix.
struct ProfileSource {
  std::string prefix;  // Linux: the prefix's folder; empty for the one the log need not name
};

struct ProfileSources {
  std::vector<ProfileSource> sources;   // never empty
  std::vector<std::string> unanswered;  // places that were not searched, as they did not answer in time
  // Linux: a WINEPREFIX that is no absolute path, as it was set, and the prefix
  // read for it (empty: it named none, and the prefixes were searched for).
  std::string relativeWinePrefix;
  std::string relativeWinePrefixTaken;
};

// Begins looking for where to read mail profiles from, beside whatever the run
// does next where nothing can hold the search, else when the answer is wanted.
// Windows: there is nothing to look for. Linux: the prefix of
// WINEPREFIX alone when that is set, as the user chose it; else every prefix of
// the user's own that holds a key below one of `profileRoots` (registry paths:
// "Software\Microsoft\...\Profiles"), looked for where Wine and its front-ends keep
// prefixes (posix/WineFrontEnds.h).
void BeginProfileSearch(const std::vector<std::string>& profileRoots);

// The answer of the search asked for last: the user's registry on
// Windows; on Linux each prefix found once however it is reached, in the order of
// the places, ~/.wine first and unnamed; when none holds a profile (or none was
// looked for), the default prefix alone, unnamed. A place that does not answer (a
// dead network mount) is given up after three seconds without getting anywhere,
// and named in `unanswered`; so is the rest once the run is asked to end.
ProfileSources FindProfileSources();

// Reads the registry, the files and the folders that follow from `source`: on
// Linux the prefix's user.reg and drives (the default prefix for an unnamed one).
void UseProfileSource(const ProfileSource& source);

}  // namespace platform
