#include "report/Fleet.h"

#include <algorithm>

#include "report/Text.h"

namespace report {
namespace {

// Field places in event 1000 (log/EventFields.h).
constexpr std::size_t kPath = 0, kSize = 1, kRoom = 8, kStop = 9, kWeeks = 11;

// The whole number at `place`, which may be below 0; kNone when it is no number.
std::int64_t Kb(const Event& event, std::size_t place) {
  if (place >= event.values.size()) return kNone;
  const std::string_view text = event.values[place];
  const std::int64_t magnitude = Number(text.starts_with('-') ? text.substr(1) : text);
  return magnitude < 0 ? kNone : text.starts_with('-') ? -magnitude : magnitude;
}

}  // namespace

Band BandOf(std::int64_t sizeKb, std::int64_t stopKb) {
  if (sizeKb < 0 || stopKb <= 0) return Band::Unknown;
  const double share = static_cast<double>(sizeKb) / static_cast<double>(stopKb);
  if (share >= 1.0) return Band::Past;
  if (share >= 0.95) return Band::Over95;
  if (share >= 0.90) return Band::Over90;
  if (share >= 0.80) return Band::Over80;
  return Band::Below;
}

void Fleet::Add(const Event& event) {
  if (event.id == 1001) {
    ++failureCount_;
    failures_.emplace(event.time, Failure{event.time, event.computer, event.user,
                                          event.values.empty() ? std::string() : event.values[0]});
    if (failures_.size() > kFailuresKept) failures_.erase(failures_.begin());
    return;
  }
  Row& row = rows_[{event.computer, event.user, event.values[kPath]}];
  const std::int64_t size = Kb(event, kSize);
  if (size != kNone) {
    // The day's last report stands for the day.
    const std::int64_t day = event.time / 86400;
    auto at = std::lower_bound(row.sizes.begin(), row.sizes.end(), std::pair{day, std::int64_t{-1}});
    if (at != row.sizes.end() && at->first == day)
      at->second = size;
    else
      row.sizes.insert(at, {day, size});
    if (row.sizes.size() > kDaysKept) row.sizes.erase(row.sizes.begin());
  }
  // Newest wins; of two at the same second, the one read later.
  if (!row.newest.values.empty() && event.time < row.newest.time) return;
  row.computer = event.computer;
  row.user = event.user;
  row.newest = event;
  row.sizeKb = size;
  row.stopKb = Kb(event, kStop);
  row.roomKb = Kb(event, kRoom);
  row.weeksToStop = Kb(event, kWeeks);
  row.band = BandOf(row.sizeKb, row.stopKb);
}

std::vector<const Row*> Fleet::Sorted() const {
  std::vector<const Row*> sorted;
  sorted.reserve(rows_.size());
  for (const auto& [key, row] : rows_) sorted.push_back(&row);
  // A file past its stop has no time left, forecast or not.
  const auto weeks = [](const Row* row) {
    return row->weeksToStop != kNone ? row->weeksToStop : row->band == Band::Past ? 0 : INT64_MAX;
  };
  const auto room = [](const Row* row) { return row->roomKb == kNone ? INT64_MAX : row->roomKb; };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const Row* a, const Row* b) {
    return std::pair{weeks(a), room(a)} < std::pair{weeks(b), room(b)};
  });
  return sorted;
}

std::vector<Failure> Fleet::Failures() const {
  std::vector<Failure> newestFirst;
  for (auto it = failures_.rbegin(); it != failures_.rend(); ++it) newestFirst.push_back(it->second);
  return newestFirst;
}

std::vector<std::size_t> Fleet::BandCounts() const {
  std::vector<std::size_t> counts(kBands, 0);
  for (const auto& [key, row] : rows_) ++counts[static_cast<std::size_t>(row.band)];
  return counts;
}

bool AnyNear(const std::vector<const Row*>& rows) {
  return std::any_of(rows.begin(), rows.end(), [](const Row* row) {
    return row->band == Band::Past || row->band == Band::Over95 ||
           (row->weeksToStop != kNone && row->weeksToStop <= kNearWeeks);
  });
}

}  // namespace report
