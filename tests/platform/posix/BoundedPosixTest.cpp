// Linux: a run asked to end (SIGTERM at logout) stops waiting for work that does
// not answer at once, rather than at the work's limit.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Bounded.h"
#include "platform/EndRequest.h"

namespace {

using namespace std::chrono_literals;

TEST(BoundedWork, AnEndRequestWhileWaitingEndsTheWaitAtOnce) {
  // In a process of its own: an end request, once made, holds for the whole process.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
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
    ::_exit(!ended && platform::EndRequested() && waited < 2s ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
