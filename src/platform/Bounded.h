#pragma once
// Waiting for the file system a bounded time: a file on a network share or
// mount that never answers (a dead server) must not hold up the run, which goes
// on without the answer.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// How long one look at a file may go unanswered before it is given up.
inline constexpr std::chrono::milliseconds kAnswerLimit{3000};

// Work begun on a thread of the run's own, beside whatever the caller does
// next, for the caller to wait for a bounded time. Work that does not end in time
// goes on alone and whatever it does is thrown away: it must hold only what it
// owns (copies, shared pointers), never the caller's variables. One piece at a
// time, begun and waited for on one thread. With no thread to be had, the work is
// done at once, on the caller's thread, without a bound.
class BoundedWork {
 public:
  explicit BoundedWork(std::function<void()> work);
  // Waits for the work unless it was waited for already.
  ~BoundedWork();
  BoundedWork(const BoundedWork&) = delete;
  BoundedWork& operator=(const BoundedWork&) = delete;

  // Waits until the work has ended, at most `limit` from now, and not at all once
  // the run is asked to end (EndRequest.h); whether it has. Once it has not, it
  // never will as far as the caller is concerned.
  bool Wait(std::chrono::milliseconds limit = kAnswerLimit);

 private:
  std::uint64_t ticket_ = 0;  // 0: done at once
  std::optional<bool> ended_;
};

}  // namespace platform
