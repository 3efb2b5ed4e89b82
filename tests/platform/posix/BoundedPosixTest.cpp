// Linux: a run asked to end (SIGTERM at logout) stops waiting for work that does
// not answer at once, rather than at the work's limit; work that cannot be given
// a process of its own is not done at all.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/Bounded.h"
#include "platform/EndRequest.h"

namespace {

using namespace std::chrono_literals;

// Whether `check` holds, run in a process of its own, whose state (an end request,
// a limit) is not the test program's.
bool HoldsInAProcessOfItsOwn(const std::function<bool()>& check) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(check() ? 0 : 1);
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(BoundedWork, AnEndRequestWhileWaitingEndsTheWaitAtOnce) {
  EXPECT_TRUE(HoldsInAProcessOfItsOwn([] {
    platform::WatchForEndRequest();
    platform::BoundedWork stuck([](const platform::Reply&) { std::this_thread::sleep_for(60s); });
    std::thread asker([] {
      std::this_thread::sleep_for(200ms);
      ::kill(::getpid(), SIGTERM);
    });
    const auto start = std::chrono::steady_clock::now();
    const bool ended = stuck.Wait(20s);
    const auto waited = std::chrono::steady_clock::now() - start;
    asker.join();
    return !ended && platform::EndRequested() && waited < 2s;
  }));
}

TEST(BoundedWork, WorkThatCannotBeBegunIsNotDoneAndCountsAsNotAnswering) {
  // Every descriptor the process may have is taken, so that no pipe to a worker
  // can be made (root is held to this limit, unlike to the number of processes).
  EXPECT_TRUE(HoldsInAProcessOfItsOwn([] {
    const rlimit few{64, 64};
    if (::setrlimit(RLIMIT_NOFILE, &few) != 0) return false;
    while (::open("/dev/null", O_RDONLY | O_CLOEXEC) >= 0) {
    }
    bool done = false;
    const auto start = std::chrono::steady_clock::now();
    platform::BoundedWork work([&done](const platform::Reply& reply) {
      done = true;
      reply("done");
    });
    const bool ended = work.Wait(20s);
    const platform::BoundedResult result = platform::RunBounded(true, [&done](const platform::Reply&) { done = true; });
    const bool atOnce = std::chrono::steady_clock::now() - start < 2s;
    return !ended && work.Replies().empty() && !result.ended && !done && atOnce;
  }));
}

}  // namespace
