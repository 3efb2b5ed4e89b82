#pragma once
// Windows' rules for making a path a full path: its drive and the names below the
// drive's root, over the path's text alone.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::emulation {

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A full path as Windows resolves it: the drive letter, and the names below its root.
struct FullPath {
  char drive = 'c';
  std::vector<std::string> elements;
};

// `path` (cut at any NUL) as the full path Windows would open: device paths
// (\\?\ as it is, \\.\ normalised), a drive's root or current folder, "." and
// ".." names, one trailing dot cut from a folder's name and every trailing dot and
// space from the last. `currentFolder` gives the current drive and folder, and is
// asked only for a path relative to them. nullopt for a UNC path or a name no
// file may have.
std::optional<FullPath> ResolveFullPath(std::string_view path, const std::function<FullPath()>& currentFolder);

}  // namespace platform::emulation
