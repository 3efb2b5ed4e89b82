#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStatus {
  bool exists = false;      // a file (not a directory) whose length could be read
  std::int64_t length = 0;  // bytes; 0 when it does not exist
  std::string identity;     // Linux: the same for every path to the same file; Windows: empty
};

// Whether `path` (a Windows path from the mail profile, UTF-8) names an existing
// file, and its length. Only asks the file system: the file is never opened, so a
// pipe or device cannot block the run. Anything that cannot be answered counts as
// no file.
FileStatus QueryFile(const std::string& path);

}  // namespace platform
