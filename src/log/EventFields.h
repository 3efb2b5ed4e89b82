#pragma once
// The fields of the program's events, named once. On Windows they are each
// event's insertion strings, %1, %2, ... of the message table (OrvaneEvents.mc);
// on Linux the key=value pairs of the system-log line and the journal's
// ORVANE_<KEY> fields. Collectors show Windows' by position, so the order is a
// contract: a field is added only at the end, and a position is never reused.
// installer/events/check_kit.py holds the message table, the README and the
// engines' content against this table.

#include <array>
#include <string_view>

namespace events {

struct Field {
  std::string_view key;
  std::string_view what;  // for people: the README's table, the engines' pages
};

// Event 1000: a file at or over its warning size.
inline constexpr std::array<Field, 12> kWarningFields{{
    {"path", "the file, as the profile names it"},
    {"size_kb", "its size in KB, rounded up"},
    {"warning_kb", "the warning size the file was held against"},
    {"limit_kb", "LimitSize; for a Unicode file the client's stop"},
    {"name", "the store's display name"},
    {"dialog", "what became of the warning"},
    {"format", "ANSI or Unicode, as decided"},
    {"kind", "pst or ost"},
    {"room_kb", "the room left in KB, as the dialog shows it"},
    {"stop_kb", "where the mail client stops adding data to the file, in KB"},
    {"growth_kb_per_week", "how fast the file's data grows, in KB a week; empty without a forecast"},
    {"weeks_to_stop", "whole weeks until it reaches stop_kb at that pace; empty without a forecast"},
}};

// On Linux each event ends with one more, `user`: the login name of whose run
// it was (Windows gives the event the user's SID instead).

// Event 1001: something the run could not do.
inline constexpr std::array<Field, 1> kFailureFields{{{"message", "the log's line"}}};

}  // namespace events
