// The test program's entry point. A test that needs other processes running the
// program's code at the same time starts this program again with
// ORVANE_TEST_CHILD naming what the copy is to do.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/ChildRole.h"

int main(int argc, char** argv) {
  if (const char* role = std::getenv("ORVANE_TEST_CHILD")) return testing_support::RunChildRole(role);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
