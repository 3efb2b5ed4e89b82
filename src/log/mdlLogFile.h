#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileQuery.h"
#include "platform/SystemLog.h"
#include "platform/WriteError.h"

// The run log: one plain-text line per call, in the system ANSI code page,
// recreated by the first line of each run.
namespace mdlLogFile {

// `mode` 1 creates or truncates the log before writing; any other value appends,
// creating the file when it is missing. The file is opened and closed again for
// every line. A log that cannot be opened or written (a symbolic link, a pipe or
// a folder in its place, a read-only folder, a full disk) is skipped: the run never
// depends on its log. The first line of a run that is lost so is reported as a
// failure event to the system's log, which then holds the trace.
void WriteLog(const std::string& path, const std::string& message, std::uint8_t mode);

// Event IDs in the system's log (the Windows program's message table holds their
// texts): one event per file at or over the warning size, and one per failure.
inline constexpr std::uint32_t kWarningEvent = 1000;
inline constexpr std::uint32_t kFailureEvent = 1001;

// WriteLog (append) of a line that says something failed (a warning not shown, a
// value not saved, a folder not made), also reported as a failure event to the
// system's log, where the organisation gathers it.
void WriteFailure(const std::string& path, const std::string& message);

// Sends one event to the system's log (platform::WriteSystemEvent), counting
// each that a receiver there did not take.
void ReportEvent(platform::EventType type, std::uint32_t id, const std::vector<platform::EventField>& fields);
// How many events of this run (since the log's first line) were not taken.
int UnsentEvents();

// `message` as one line of the log, whatever a store's name or path holds: each
// control character (C0, DEL and C1, so CR, LF and U+0085 too), the line and
// paragraph separators and the marks and controls of bidirectional text shown as
// "<U+000A>", so that no line can be split, forged or reordered, and nothing
// reaches a terminal that shows the log as a command.
std::string OneLine(std::string_view message);

// The text of one log line (UTF-8, without the line end): date, time and message
// in print zones of 14 characters.
std::string FormatLine(const platform::DateTimeText& now, const std::string& message);

}  // namespace mdlLogFile
