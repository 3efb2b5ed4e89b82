#pragma once
// Linux only: the Wine prefix that the user's mail client runs in stands in for
// the Windows registry and drives.

#include <string>

namespace platform::posix {

// The prefix whose registry and drives are read: the one chosen with
// SelectWinePrefix, else DefaultWinePrefix.
std::string WinePrefix();

// The prefix Wine itself would use: WINEPREFIX when it is an absolute path
// (trailing slashes removed), else $HOME/.wine. Empty when neither gives an
// absolute path (a relative WINEPREFIX is refused, as Wine refuses it).
std::string DefaultWinePrefix();

// Makes `prefix` the one WinePrefix gives; the empty text goes back to the default.
void SelectWinePrefix(const std::string& prefix);

}  // namespace platform::posix
