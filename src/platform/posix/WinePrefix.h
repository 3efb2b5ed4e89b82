#pragma once
// Linux only: the Wine prefix that the user's mail client runs in stands in for
// the Windows registry and drives.

#include <string>

namespace platform::posix {

// No registry file comes near this size; a larger one is not one, and is not read.
inline constexpr long long kMaxRegistryFileSize = 1LL << 30;

// The prefix whose registry and drives are read: the one chosen with
// SelectWinePrefix, else DefaultWinePrefix.
std::string WinePrefix();

// WINEPREFIX as the user set it, and the prefix it names: an absolute path (its
// trailing slashes removed); a leading "~/" taken against the home, as an
// autostart line "Exec=env WINEPREFIX=~/..." hands it over unexpanded; anything
// else (a relative path, which Wine refuses) names none, and the prefixes are
// searched for as if it were unset.
struct ChosenPrefix {
  std::string written;  // empty when unset
  std::string path;     // empty when it names none
};
ChosenPrefix ChosenWinePrefix();

// The prefix to read when no other is chosen: the one WINEPREFIX names, else
// $HOME/.wine. Empty when the home is unknown too.
std::string DefaultWinePrefix();

// Makes `prefix` the one WinePrefix gives; the empty text goes back to the default.
void SelectWinePrefix(const std::string& prefix);

}  // namespace platform::posix
