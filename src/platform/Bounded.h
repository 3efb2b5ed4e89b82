#pragma once
// Waiting for the file system a bounded time: a file on a network share or
// mount that never answers (a dead server) must not hold up the run, which goes
// on without the answer.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How long one look at a file may go unanswered before it is given up.
inline constexpr std::chrono::milliseconds kAnswerLimit{3000};

// How the work tells what it found, a piece at a time: what it told before it
// stopped answering is kept.
using Reply = std::function<void(std::string_view)>;

// Work begun where a file system that never answers cannot hold the run, beside
// whatever the caller does next, for the caller to wait for a bounded time.
// Linux: a child process of its own, which may be left stuck in the kernel while
// the run ends (a thread so stuck would keep the run's process from ever ending);
// Windows: a thread of its own. Either way the work sees the caller's memory as
// it was when it began and changes nothing of it: it tells what it finds only
// through its Reply. Work that cannot be begun (no process or thread to be had)
// counts as work that did not answer; it is never done without a bound.
class BoundedWork {
 public:
  explicit BoundedWork(std::function<void(const Reply&)> work);
  // Gives the work up unless it has ended.
  ~BoundedWork();
  BoundedWork(const BoundedWork&) = delete;
  BoundedWork& operator=(const BoundedWork&) = delete;

  // Waits until the work has ended, at most `limit` from now, and not at all once
  // the run is asked to end (EndRequest.h); whether it has. Once it has not, it
  // is given up, and never ends as far as the caller is concerned.
  bool Wait(std::chrono::milliseconds limit);

  // What the work told, in order, up to now.
  const std::vector<std::string>& Replies() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// What work told and whether it ended: run by BoundedWork and waited for `limit`
// when `bounded`, else at once on the caller's thread.
struct BoundedResult {
  bool ended = true;
  std::vector<std::string> replies;
};
BoundedResult RunBounded(bool bounded, const std::function<void(const Reply&)>& work,
                         std::chrono::milliseconds limit = kAnswerLimit);

}  // namespace platform
