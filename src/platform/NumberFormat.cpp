// Digit grouping by thousands: the same on every system but for the separator.
#include "platform/NumberFormat.h"

#include <cmath>

namespace platform {

std::string FormatWholeNumber(double value, const std::string& groupSeparator) {
  if (!std::isfinite(value)) value = 0;
  const double rounded = std::round(value);
  const bool negative = rounded < 0;
  // Whole numbers up to 2^53 are exact in a double; the dialog's never come close.
  std::string digits = std::to_string(static_cast<unsigned long long>(std::fmin(std::fabs(rounded), 1e18)));
  std::string out = negative ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += groupSeparator;
    out += digits[i];
  }
  return out;
}

}  // namespace platform
