#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"

// The run log: one plain-text line per call, in the system ANSI code page,
// recreated by the first line of each run.
namespace mdlLogFile {

// `mode` 1 creates or truncates the log before writing; any other value appends,
// creating the file when it is missing. The file is opened and closed again for
// every line. A log that cannot be opened or written is skipped silently: the run
// never depends on its log.
void WriteLog(const std::string& path, const std::string& message, std::uint8_t mode);

// The text of one log line (UTF-8, without the line end): date, time and message
// in print zones of 14 characters.
std::string FormatLine(const platform::DateTimeText& now, const std::string& message);

}  // namespace mdlLogFile
