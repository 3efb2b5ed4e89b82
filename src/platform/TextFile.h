#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class WriteMode { Create, Append };

// Opens the file at `path` (UTF-8), writes `bytes` as they are and closes it again.
// Create truncates or creates the file; Append adds at its end, creating it when
// missing. Returns false when the file could not be opened or fully written.
bool WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode);

}  // namespace platform
