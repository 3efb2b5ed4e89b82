#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class EventType { Warning, Error };

// One named piece of an event: an insertion string on Windows, a key=value pair
// on Linux.
struct EventField {
  std::string_view key;
  std::string value;  // UTF-8
};

// Writes one event where the system collects what programs report, for the
// organisation's tools to gather. Windows: the Application event log, source
// "Orvane", event `id`, the fields' values as its insertion strings in order
// (the program's own message table holds the texts they fill), and the user's
// SID. Linux: the fields and, last, `user` (the login name, else the user id),
// sent to journald's native socket where it listens (MESSAGE the
// FormatEventLine text, SYSLOG_IDENTIFIER "orvane", facility user, PRIORITY
// warning or error, and each field as ORVANE_<KEY>), else as one datagram to the
// system log (/dev/log, as syslog(3) sends it) whose text is FormatEventLine; a
// receiver whose queue is full is waited for about a second in all per run, and
// one that does not take it then loses it.
// Either way the values are cut to fit kEventLimit (BoundFields). False when a
// receiver is there and did not take the event; a system without one takes
// nothing, and that is no failure. The run never depends on either.
bool WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields);

// The event as one line of key=value pairs, "id=1000 path=C:\a.pst name="個人用
// フォルダ 2"", in the logfmt form: a value is quoted when it is empty or holds a
// blank, '=', '"' or a character that controls text (CodePage.h's ControlsText),
// and inside quotes '\' and '"' take a backslash, line breaks and tabs are written
// \n, \r and \t and the other controls \uXXXX.
std::string FormatEventLine(std::uint32_t id, const std::vector<EventField>& fields);

// How long one event may be, in bytes: what common receivers take whole (rsyslog's
// default is 8 KB) with room for the header they get before it.
inline constexpr std::size_t kEventLimit = 8000;

// `fields` with the longest values cut, each at a whole character and ending in
// "…", until all the values together take at most `budget` bytes; shorter values
// keep what they have, and no value that fits its share is emptied.
std::vector<EventField> BoundFields(std::vector<EventField> fields, std::size_t budget);

// `head` and then FormatEventLine, taking at most `limit` bytes in all: the values
// are cut as BoundFields cuts them, measured as the line writes them (a control
// character escaped takes six bytes), so that one odd value never costs the others.
std::string FormatBoundEventLine(std::string_view head, std::uint32_t id, const std::vector<EventField>& fields,
                                 std::size_t limit);

}  // namespace platform
