#pragma once

#include <cstddef>
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

// How reading a file of the run's own state went.
enum class OwnFileRead {
  Read,        // `bytes` holds the whole file
  Missing,     // nothing there
  TooLarge,    // longer than the limit: no file of this program's
  OthersFile,  // not a regular file of this user's alone (Linux: another's, a link, a hard link)
  Failed,      // could not be read
};

// Reads the whole file at `path` into `*bytes`, when it is at most `limit` bytes
// and a file of this user's own (on Linux a symbolic link is never followed).
OwnFileRead ReadOwnFile(const std::string& path, std::size_t limit, std::string* bytes);

// Replaces the file at `path` with `bytes` in one step: a copy written beside it
// (TemporaryCopyName) and flushed is renamed over it, so that it is never seen
// half-written. On Linux the file is made readable by its user alone, and a file
// that stands there and is not the user's own is never replaced (ForeignLink).
WriteError ReplaceOwnFile(const std::string& path, std::string_view bytes);

}  // namespace platform
