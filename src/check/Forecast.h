#pragma once

#include <cstdint>
#include <optional>
#include <span>

// When a file, at the pace it has been growing, reaches where the mail client
// stops taking mail into it.
namespace forecast {

// A file's data on one day: days counted from any fixed day, KB.
struct Sample {
  std::int32_t day = 0;
  std::int64_t kb = 0;
};

struct Forecast {
  std::int64_t growthKbPerWeek = 0;  // the fitted line's rise, rounded
  std::int64_t weeksToStop = 0;      // whole weeks left, rounded down; 0 when less than one (or past it)
};

// Fewest samples, and fewest days between the first and the last, to forecast from.
inline constexpr int kLeastSamples = 3;
inline constexpr std::int32_t kLeastDays = 14;
// How well the line must fit the samples (its r²) to be believed.
inline constexpr double kLeastFit = 0.5;
// Farther than this is no forecast anyone acts on.
inline constexpr std::int64_t kMostWeeks = 520;

// The forecast for `samples` (oldest first, one a day) against `stopKb`: a
// least-squares line through the samples since the last fall (a compaction or a
// clean-up starts the trend anew), when there are kLeastSamples of them spanning
// kLeastDays, the line rises and fits, and the stop is within kMostWeeks of the
// newest sample. Nothing otherwise.
std::optional<Forecast> WeeksToStop(std::span<const Sample> samples, std::int64_t stopKb);

}  // namespace forecast
