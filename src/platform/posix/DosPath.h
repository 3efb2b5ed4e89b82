#pragma once
// Linux only: Windows paths from a Wine profile, mapped to Unix paths as Wine maps them.

#include <optional>
#include <string>

namespace platform::posix {

// The Unix path that Wine would open for `windowsPath` (UTF-8, up to any NUL) in
// the prefix of WinePrefix(): made a full path by Windows' rules (device paths,
// paths relative to the current drive or folder, "." and ".." names, trailing
// dots), the drive letter through the prefix's dosdevices links, backslashes as
// slashes, and each component that is absent in its exact case matched without
// regard to case. The current drive and folder are the ones Wine gives the Unix
// working directory. An absolute Unix path is returned as it is. nullopt for an
// undefined drive, a UNC path, or an invalid name.
std::optional<std::string> DosPathToUnix(const std::string& windowsPath);
// The same in `prefix`, for a thread that must not read the selected prefix.
std::optional<std::string> DosPathToUnix(const std::string& windowsPath, const std::string& prefix);

// The Unix path `windowsPath` leads to as far as can be told without asking the
// file system it leads into: the drive's link read, the rest as given (a relative
// path taken against C:\\). Empty when not even that can be told.
std::string DosPathWithoutLooking(const std::string& windowsPath, const std::string& prefix);

}  // namespace platform::posix
