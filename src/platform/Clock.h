#pragma once

#include <string>

namespace platform {

struct DateTimeText {
  std::string date;  // the system's short date format, "2024/03/05" on Japanese systems
  std::string time;  // the system's time format, "9:15:42" on Japanese systems
};

// The current local date and time as the system writes them, in UTF-8.
// Linux has no regional settings of its own here: it uses the Japanese defaults.
DateTimeText Now();

struct Date {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
};

// Today's local date.
Date Today();

}  // namespace platform
