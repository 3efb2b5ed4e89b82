#pragma once
// The report as a person reads it (one HTML page that needs nothing else: no
// script, no file beside it) and as a spreadsheet takes it (CSV).

#include <cstdint>
#include <string>
#include <vector>

#include "report/Fleet.h"

namespace report {

// What the page says about where its rows came from.
struct Sources {
  std::vector<std::string> inputs;
  std::uint64_t events = 0;
  std::uint64_t malformed = 0;
  std::vector<std::string> malformedPlaces;  // the first few, "file:line"
  std::int64_t made = 0;                     // when the report was made
};

std::string PageOf(const Fleet& fleet, const Sources& sources);

// One line per row, in the page's order: computer, user, the last event's time,
// the band, then every field of event 1000 by its key. UTF-8 with a byte-order
// mark (so that spreadsheets take it as such), CRLF, quoted as RFC 4180 says; a
// value a spreadsheet would take for a formula (=, +, -, @) starts with '.
std::string CsvOf(const Fleet& fleet);

}  // namespace report
