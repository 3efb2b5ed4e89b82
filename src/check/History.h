#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

// What the runs remember of each file they checked: its size day by day, and
// when its warning was last shown or the user last excluded it, and at which
// stage. Kept as a small text file beside the settings file.
namespace history {

// How near a file is to where the mail client stops taking mail into it, from
// least to most.
enum class Band {
  None,     // below the warning size
  Early,    // below it, and growing so fast that it is warned about early
  Warning,  // at or over the warning size
  Urgent,   // at or over UrgentPercent of the client's stop
  Full,     // at or past the stop: the client refuses mail now
};

// Days counted from 1970-01-01.
std::int32_t DayOf(const platform::Date& date);
// "2026-12-10".
std::string DateText(std::int32_t day);

inline constexpr std::int32_t kNever = INT32_MIN;

struct Point {
  std::int32_t day = 0;
  std::int64_t sizeKb = 0;  // the file's size
  std::int64_t dataKb = 0;  // the data it holds (the size where the header does not say)
};

struct Record {
  std::vector<Point> points;  // oldest first, one a day
  std::int32_t shownDay = kNever;
  Band shownBand = Band::None;     // the stage its warning was last shown at
  Band excludedBand = Band::None;  // the stage the user last excluded it at
};

// Each file by its path as the profile gives it.
using History = std::map<std::string, Record>;

// The history in `text` as Format writes it; nothing when it is not one (another
// program's file, or damaged anywhere).
std::optional<History> Parse(std::string_view text);
std::string Format(const History& history);

// Records `point` as the record's point of its day (a later run the same day
// replaces the day's point). Points after it, from a clock that was set back,
// are dropped.
void AddPoint(Record& record, const Point& point);

// Thins the history as it ages, on `today`: every day's point for six weeks,
// then one a week up to half a year, nothing older; files not seen for half a
// year are forgotten, and of the rest at most kMostFiles are kept.
inline constexpr std::size_t kMostFiles = 200;
void Thin(History& history, std::int32_t today);

// The largest history file a run reads; a larger one is no file of this program's.
inline constexpr std::size_t kMostBytes = 1 << 20;

}  // namespace history
