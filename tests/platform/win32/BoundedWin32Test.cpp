// Windows only: work that cannot be given a thread of its own is not done at all,
// and counts as work that did not answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Bounded.h"

namespace {

using namespace std::chrono_literals;

// Reserves every free piece of the process's address space down to Windows'
// granularity, so that no thread can reserve its stack; released on leaving.
class AddressSpaceTaken {
 public:
  AddressSpaceTaken() {
    blocks_.reserve(1 << 16);  // no allocation is made while the space is taken
    for (SIZE_T size = SIZE_T{1} << 30; size >= 0x10000 && blocks_.size() < (1 << 16);) {
      if (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
        blocks_.push_back(block);
      else
        size /= 2;
    }
  }
  ~AddressSpaceTaken() {
    for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
  }
  AddressSpaceTaken(const AddressSpaceTaken&) = delete;
  AddressSpaceTaken& operator=(const AddressSpaceTaken&) = delete;

 private:
  std::vector<void*> blocks_;
};

TEST(BoundedWorkWin32, WorkThatCannotBeGivenAThreadIsNotDoneAndCountsAsNotAnswering) {
  // Wine keeps a mark for every page reserved: taking a 64-bit address space
  // takes it a minute. The 32-bit release build runs this.
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit address space is too large to take here";
  // The worker kept from earlier work is left stuck, so that the next work needs
  // a thread of its own; it ends once the test lets it.
  std::atomic<bool> release{false};
  {
    platform::BoundedWork stuck([&release](const platform::Reply&) {
      while (!release) std::this_thread::sleep_for(1ms);
    });
    EXPECT_FALSE(stuck.Wait(0ms));
  }

  std::atomic<bool> done{false};
  bool ended = true;
  std::vector<std::string> replies;
  {
    const AddressSpaceTaken taken;
    platform::BoundedWork work([&done](const platform::Reply& reply) {
      done = true;
      reply("done");
    });
    ended = work.Wait(5s);
    replies = work.Replies();
  }
  release = true;
  EXPECT_FALSE(ended);
  EXPECT_FALSE(done);
  EXPECT_TRUE(replies.empty());

  // With room again, work is done as before.
  platform::BoundedWork later([](const platform::Reply& reply) { reply("done"); });
  EXPECT_TRUE(later.Wait(10s));
  EXPECT_EQ(later.Replies(), std::vector<std::string>{"done"});
}

}  // namespace
