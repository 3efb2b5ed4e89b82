#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

// orvane-report with `arguments` (after the program's name) at time `now`
// (seconds since 1970): reads the inputs, writes the page and the CSV, says what
// it read on standard output, and returns the exit status --help describes.
int Main(const std::vector<std::string>& arguments, std::int64_t now);

}  // namespace report
