// The test program's entry point. A test that needs other processes running the
// program's code at the same time starts this program again with
// ORVANE_TEST_CHILD naming what the copy is to do.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/ChildRole.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

int main(int argc, char** argv) {
  if (const char* role = std::getenv("ORVANE_TEST_CHILD")) return testing_support::RunChildRole(role);
  testing::InitGoogleTest(&argc, argv);
  // A run whose program folder cannot be written keeps its files in the user's
  // folders: those of a throwaway user, never of whoever runs the tests.
  const testing_support::TempDir user;
  const testing_support::ScopedEnv appData("APPDATA", user.File("AppData"));
  const testing_support::ScopedEnv config("XDG_CONFIG_HOME", user.File("config"));
  const testing_support::ScopedEnv state("XDG_STATE_HOME", user.File("state"));
  return RUN_ALL_TESTS();
}
