// Work bounded in time, on both systems: what finishes is all there, what never
// answers is given up at its limit with what it told before, and work that needs
// no bound runs at once.
#include "platform/Bounded.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(BoundedWork, WhatFinishesIsAllThereAndWhatNeverAnswersIsGivenUpAtItsLimit) {
  platform::BoundedWork finishing([](const platform::Reply& reply) {
    reply("first");
    reply(std::string(100000, 'x'));  // more than a pipe holds at once
    reply("");
  });
  EXPECT_TRUE(finishing.Wait(10s));
  ASSERT_EQ(finishing.Replies().size(), 3u);
  EXPECT_EQ(finishing.Replies()[0], "first");
  EXPECT_EQ(finishing.Replies()[1].size(), 100000u);
  EXPECT_EQ(finishing.Replies()[2], "");

  const Clock::time_point start = Clock::now();
  {
    platform::BoundedWork stuck([](const platform::Reply& reply) {
      reply("before");
      std::this_thread::sleep_for(60s);  // a file system that never answers
    });
    EXPECT_FALSE(stuck.Wait(300ms));
    EXPECT_FALSE(stuck.Wait(300ms));  // once given up, never waited for again
    EXPECT_EQ(stuck.Replies(), std::vector<std::string>{"before"});
  }
  EXPECT_LT(Clock::now() - start, 3s);
}

TEST(BoundedWork, UnboundedWorkRunsAtOnceOnTheCallersThread) {
  const std::thread::id caller = std::this_thread::get_id();
  bool here = false;
  const platform::BoundedResult result = platform::RunBounded(false, [&](const platform::Reply& reply) {
    here = std::this_thread::get_id() == caller;
    reply("done");
  });
  EXPECT_TRUE(here);
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.replies, std::vector<std::string>{"done"});

  const platform::BoundedResult bounded = platform::RunBounded(
      true, [](const platform::Reply&) { std::this_thread::sleep_for(60s); }, 200ms);
  EXPECT_FALSE(bounded.ended);
}

}  // namespace
