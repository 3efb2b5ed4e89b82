#pragma once

#include <string>
#include <string_view>

#include "platform/WriteError.h"

namespace platform {

enum class WriteMode { Create, Append };

// Opens the file at `path` (UTF-8), writes `bytes` as they are and closes it again.
// Create truncates or creates the file; Append adds at its end, creating it when
// missing. On Linux a symbolic link there is never followed (AccessDenied), no
// pipe blocks the write, and only a regular file is created or emptied (NotAFile
// for anything else), so that nothing redirects the write or holds up the run. Returns None, or why
// the file could not be opened or fully written.
WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode);

}  // namespace platform
