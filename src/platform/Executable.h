#pragma once

#include <string>

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

}  // namespace platform
