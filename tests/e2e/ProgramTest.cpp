// Linux only: the real program, run as a user's logon would run it.
#include <gtest/gtest.h>

#include "e2e/Program.h"
#include "support/TempDir.h"

namespace {

using testing_support::Installation;
using testing_support::TempDir;

TEST(Program, WritesItsLogBesideItselfAndIgnoresArguments) {
  TempDir dir;
  Installation orvane(dir.path());
  ASSERT_TRUE(orvane.Run({"/?", "--help"}).finished);
  testing_support::ExpectCompleteRun(orvane);
}

TEST(Program, CopyUnderAnotherNameUsesItsOwnSettingsAndLog) {
  TempDir dir;
  Installation copy(dir.path(), "Watch");
  ASSERT_TRUE(copy.Run().finished);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Watch.log"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Orvane.log"));
}

}  // namespace
