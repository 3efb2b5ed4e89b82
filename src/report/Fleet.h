#pragma once
// The fleet as the events tell it: one row per computer, user and file, the
// newest event winning, each file's size over time, and the failures.

#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "report/Events.h"

namespace report {

// How near a file is to where the mail client stops adding to it.
enum class Band { Past, Over95, Over90, Over80, Below, Unknown };
inline constexpr int kBands = 6;

// The band of a file `sizeKb` large whose client stops at `stopKb`.
Band BandOf(std::int64_t sizeKb, std::int64_t stopKb);

// A number an event did not carry.
inline constexpr std::int64_t kNone = INT64_MIN;

struct Row {
  std::string computer, user;
  Event newest;                                                                      // the event that won
  std::int64_t sizeKb = kNone, stopKb = kNone, roomKb = kNone, weeksToStop = kNone;  // room may be below 0
  Band band = Band::Unknown;
  // The file's size (KB) on the days it was reported, oldest first; the day's
  // last report counts.
  std::vector<std::pair<std::int64_t, std::int64_t>> sizes;
};

struct Failure {
  std::int64_t time = 0;
  std::string computer, user, message;
};

class Fleet {
 public:
  // Days of size kept per file, and failures kept (the newest).
  static constexpr std::size_t kDaysKept = 180;
  static constexpr std::size_t kFailuresKept = 500;

  void Add(const Event& event);

  // The rows sorted by weeks to the stop (a file past it first, files without a
  // forecast last), then room left, then computer, user and path.
  std::vector<const Row*> Sorted() const;
  // The failures, newest first.
  std::vector<Failure> Failures() const;
  std::uint64_t failureCount() const { return failureCount_; }
  // How many rows are in each band (indexed by Band).
  std::vector<std::size_t> BandCounts() const;

 private:
  std::map<std::tuple<std::string, std::string, std::string>, Row> rows_;
  std::multimap<std::int64_t, Failure> failures_;
  std::uint64_t failureCount_ = 0;
};

// Whether any row is near its stop: at 95 % of it or more, or forecast to reach
// it within kNearWeeks.
inline constexpr std::int64_t kNearWeeks = 4;
bool AnyNear(const std::vector<const Row*>& rows);

}  // namespace report
