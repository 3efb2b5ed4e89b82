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
// (the program's own message table holds the texts they fill). Linux: one line
// to the system log (syslog(3), identifier "orvane", facility user, priority
// warning or error), FormatEventLine. Nothing is reported when the system takes
// no event; the run never depends on it.
void WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields);

// The event as one line of key=value pairs, "id=1000 path=C:\a.pst name="個人用
// フォルダ 2"", in the logfmt form: a value is quoted when it is empty or holds a
// blank, '=', '"' or a control character, and inside quotes '\' and '"' take a
// backslash and line breaks and tabs are written \n, \r and \t.
std::string FormatEventLine(std::uint32_t id, const std::vector<EventField>& fields);

}  // namespace platform
