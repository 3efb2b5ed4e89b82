#pragma once
// Linux only: whether a file or folder is the running user's, asked one way
// everywhere (the effective user's id, which a run of root's writes as).

#include <sys/stat.h>

#include <string>

namespace platform::posix {

// Whether the file `info` describes is the running user's.
bool IsOwn(const struct stat& info);

// Whether `path` is a folder of the running user's (a link to one counts, as
// front-ends link prefixes).
bool IsOwnFolder(const std::string& path);

}  // namespace platform::posix
