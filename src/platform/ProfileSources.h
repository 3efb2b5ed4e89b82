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
};

// Where to read mail profiles from. Windows: the user's registry. Linux: the
// prefix of WINEPREFIX alone when that is an absolute path, as the user chose it;
// else every prefix of the user's own that holds a key below one of
// `profileRoots` (registry paths: "Software\Microsoft\...\Profiles"), looked for
// where Wine and its front-ends keep prefixes (~/.wine, CrossOver, Bottles,
// PlayOnLinux and Phoenicis, winetricks, Lutris, hidden folders of the home and
// the prefixes named by menu entries), one level deep, each once however it is
// reached, ~/.wine first and unnamed. When none holds a profile, ~/.wine alone,
// unnamed. A place that does not answer (a dead network mount) is given up after
// a few seconds and named in `unanswered`.
ProfileSources FindProfileSources(const std::vector<std::string>& profileRoots);

// Reads the registry, the files and the folders that follow from `source`: on
// Linux the prefix's user.reg and drives (the default prefix for an unnamed one).
void UseProfileSource(const ProfileSource& source);

}  // namespace platform
