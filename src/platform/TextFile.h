#pragma once

#include <string>
#include <string_view>

#include "platform/WriteError.h"

namespace platform {

enum class WriteMode { Create, Append };

// Opens the file at `path` (UTF-8), writes `bytes` as they are and closes it again.
// Create truncates or creates the file; Append adds at its end, creating it when
// missing. Only a regular file is written: on Linux a symbolic link there is not
// followed (AccessDenied), and a pipe or a device is not written to (NotAFile),
// so that neither can redirect the write or block the run. Returns None, or why
// the file could not be opened or fully written.
WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode);

}  // namespace platform
