#pragma once
// The hints that Wine front-ends leave in their own files about where their
// prefixes are, read from the files' text: no file is opened here.

#include <string>
#include <string_view>
#include <vector>

namespace platform::emulation {

// A folder as a front-end's file names it: absolute, or below `home` as "~/...",
// "$HOME/..." or "${HOME}/..."; quotes and blanks round it removed. Empty for
// anything else.
std::string HintPath(std::string_view value, const std::string& home);

// The folders named by the lines "key: value" of a front-end's YAML file
// (Bottles' custom_bottles_path and Path, a Lutris game's prefix).
std::vector<std::string> YamlValues(std::string_view text, std::string_view key, const std::string& home);

// The prefixes that a menu entry starts its program in: each WINEPREFIX=value,
// the value in double quotes (with backslash escapes) or up to a blank.
std::vector<std::string> MenuPrefixes(std::string_view text, const std::string& home);

// CX_BOTTLE_PATH as CrossOver's configuration sets it in its
// [EnvironmentVariables] section (the last line that does); empty when none does.
std::string CrossOverBottlePath(std::string_view conf);

// The folders of a list separated by colons, as CX_BOTTLE_PATH holds them.
std::vector<std::string> FolderList(std::string_view list, const std::string& home);

}  // namespace platform::emulation
