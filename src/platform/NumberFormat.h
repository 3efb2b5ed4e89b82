#pragma once

#include <string>

namespace platform {

// `value` rounded to a whole number, written with at least one digit, its digits
// grouped by thousands with the system's group separator (Windows: the user's
// locale; Linux: a comma) and a minus sign before a negative number:
// "1,572,864", "-72,864", "0". A value that is not finite is written as "0".
std::string FormatWholeNumber(double value);

}  // namespace platform

namespace platform {

// The same with the given group separator, for every system.
std::string FormatWholeNumber(double value, const std::string& groupSeparator);

}  // namespace platform
