#include "check/Forecast.h"

#include <cmath>

namespace forecast {
namespace {

// A fall of more than this share of the file's data is a clean-up, not the day-to-day
// coming and going of mail.
constexpr double kFall = 0.05;

}  // namespace

std::optional<Forecast> WeeksToStop(std::span<const Sample> samples, std::int64_t stopKb) {
  std::size_t first = 0;
  for (std::size_t i = 1; i < samples.size(); ++i)
    if (static_cast<double>(samples[i].kb) < static_cast<double>(samples[i - 1].kb) * (1 - kFall)) first = i;
  const std::span<const Sample> trend = samples.subspan(first);
  if (trend.size() < static_cast<std::size_t>(kLeastSamples) || trend.back().day - trend.front().day < kLeastDays)
    return std::nullopt;

  // Centred on the first sample, so that the sums stay small and exact enough.
  const double n = static_cast<double>(trend.size());
  double sx = 0, sy = 0;
  for (const Sample& s : trend) {
    sx += s.day - trend.front().day;
    sy += static_cast<double>(s.kb - trend.front().kb);
  }
  const double mx = sx / n, my = sy / n;
  double sxx = 0, sxy = 0, syy = 0;
  for (const Sample& s : trend) {
    const double dx = s.day - trend.front().day - mx;
    const double dy = static_cast<double>(s.kb - trend.front().kb) - my;
    sxx += dx * dx;
    sxy += dx * dy;
    syy += dy * dy;
  }
  if (sxx <= 0 || syy <= 0 || sxy <= 0) return std::nullopt;  // flat, or falling
  const double perDay = sxy / sxx;
  if (sxy * sxy / (sxx * syy) < kLeastFit) return std::nullopt;

  const double weeks = static_cast<double>(stopKb - trend.back().kb) / (perDay * 7);
  if (weeks > static_cast<double>(kMostWeeks)) return std::nullopt;
  return Forecast{std::llround(perDay * 7), weeks <= 0 ? 0 : static_cast<std::int64_t>(weeks)};
}

}  // namespace forecast
