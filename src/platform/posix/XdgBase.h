#pragma once
// Linux only: the XDG base folders, read one way for every use.

#include <string>

namespace platform::posix {

// The XDG base folder named by `variable` (XDG_CONFIG_HOME, XDG_DATA_HOME, ...)
// when it is absolute and not the root (which no user owns), without trailing
// slashes; else `fallback` ("/.config", ...) under `home`; empty when `home` is
// empty too.
std::string XdgBaseFolder(const char* variable, const char* fallback, const std::string& home);

}  // namespace platform::posix
