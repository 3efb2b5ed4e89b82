#pragma once
// Linux only: the places where Wine and its front-ends keep Wine prefixes.

#include <functional>
#include <string>
#include <vector>

namespace platform::posix {

// One place to look in: the folder it is named by in the log, and how to list the
// folders there that may be prefixes (what a front-end's files name among them:
// only hints, to be tested as every other folder is).
struct Place {
  std::string name;
  std::function<std::vector<std::string>()> candidates;
};

// The places of `home`, in the order they are searched: ~/.wine; CrossOver
// (~/.cxoffice and CX_BOTTLE_PATH, from the environment or its configuration);
// Bottles (its Flatpak and its own data folder, custom_bottles_path, a bottle's
// placeholder.yml); PlayOnLinux and Phoenicis; winetricks and q4wine
// ($XDG_DATA_HOME/wineprefixes); Lutris (its games' prefix: lines, else ~/Games);
// the hidden folders of the home; the WINEPREFIX= of menu entries. One level deep
// each; menu entries four folders deep, without following links.
std::vector<Place> FrontEndPlaces(const std::string& home);

}  // namespace platform::posix
