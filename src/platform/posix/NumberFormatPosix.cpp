#include "platform/NumberFormat.h"

namespace platform {

// Linux has no regional settings of its own here: the Japanese comma.
std::string FormatWholeNumber(double value) { return FormatWholeNumber(value, ","); }

}  // namespace platform
