#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The separator between a directory and a name in this system's paths.
extern const char kPathSeparator;

struct ExecutableLocation {
  std::string directory;  // UTF-8, no trailing separator unless it is a root ("C:\", "/")
  std::string baseName;   // file name without its last extension ("Orvane")
};

// Where the running program lives. Windows: the module file name; Linux:
// /proc/self/exe. On failure both fields are empty.
ExecutableLocation LocateExecutable();

// The program's full `path` split at its last separator (any of `separators`);
// the directory keeps that separator when it ends a root of `rootLength`
// characters ("/" is 1, "C:\" is 3). Both fields are empty when there is no
// separator.
ExecutableLocation SplitExecutablePath(std::string_view path, std::string_view separators, std::size_t rootLength);

}  // namespace platform
