// One run at a time for one set of files, on both systems: another run (here a
// thread of its own, as a run is one thread that holds it) waits for it, however
// it spells the files' paths, and takes it once it is let go.
#include "platform/RunLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using testing_support::TempDir;
using testing_support::Utf8;

// Whether a run in another thread gets the lock of `files` within `limit`.
bool AnotherRunGets(const std::vector<std::string>& files, std::chrono::milliseconds limit) {
  bool held = false;
  std::thread([&] { held = platform::RunLock(files, limit).Held(); }).join();
  return held;
}

TEST(RunLock, AnotherRunOnTheSameFilesWaitsHoweverItSpellsThemAndTakesTheLockOnceFree) {
  TempDir folder, otherFolder;
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  const std::vector<std::string> files{folder.File("Orvane.ini"), folder.File("Orvane.log")};
  const std::vector<std::string> respelled{Utf8(folder.path()) + separator + separator + "Orvane.ini",
                                           Utf8(folder.path()) + separator + separator + "Orvane.log"};

  std::optional<platform::RunLock> first(std::in_place, files, 100ms);
  ASSERT_TRUE(first->Held());
  EXPECT_FALSE(AnotherRunGets(files, 200ms));
  EXPECT_FALSE(AnotherRunGets(respelled, 200ms));
  EXPECT_TRUE(AnotherRunGets({otherFolder.File("Orvane.ini"), otherFolder.File("Orvane.log")}, 200ms));

  // Let go while the other waits: it takes the lock within its limit.
  bool held = false;
  std::thread waiting([&] { held = platform::RunLock(files, 5000ms).Held(); });
  std::this_thread::sleep_for(200ms);
  first.reset();
  waiting.join();
  EXPECT_TRUE(held);
  EXPECT_TRUE(AnotherRunGets(files, 0ms));
}

TEST(RunLock, TheKeyIsTheSameForTheSameIdentitiesOnly) {
  const std::string key = platform::LockKey({"folder-1", "folder-2"});
  EXPECT_EQ(key.size(), 16u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdefABCDEF"), std::string::npos);
  EXPECT_EQ(key, platform::LockKey({"folder-1", "folder-2"}));
  EXPECT_NE(key, platform::LockKey({"folder-1"}));
}

}  // namespace
