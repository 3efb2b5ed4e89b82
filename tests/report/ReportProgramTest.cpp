// orvane-report as an administrator runs it: what it writes where, and what its
// exit status says, on both systems.
#include <gtest/gtest.h>

#include <string>

#include "platform/Console.h"
#include "report/Program.h"
#include "support/TempDir.h"

namespace report {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

constexpr std::int64_t kNow = 1796817600;  // 2026-12-09 12:00 UTC

std::string Line(const std::string& host, const std::string& size, const std::string& weeks) {
  return "Dec  9 11:00:00 " + host + " orvane[1]: id=1000 path=C:\\a.pst size_kb=" + size +
         " warning_kb=1 limit_kb=2097152 name=n dialog=shown format=ANSI kind=pst room_kb=1 stop_kb=2000000 "
         "growth_kb_per_week=\"\" weeks_to_stop=" +
         (weeks.empty() ? "\"\"" : weeks) + " user=u\n";
}

TEST(ReportProgram, WritesThePageAndItsCsvAndSaysWhetherAnythingIsNearItsStop) {
  TempDir folder;
  const std::string calm = folder.File("calm.log"), near = folder.File("near.log"), soon = folder.File("soon.log");
  WriteBytes(calm, Line("pc-01", "1000000", "30"));
  WriteBytes(near, Line("pc-02", "1900000", ""));  // 95 % of its stop
  WriteBytes(soon, Line("pc-03", "1000000", "4"));
  const std::string page = folder.File("fleet.html");
  EXPECT_EQ(Main({"-o", page, calm}, kNow), 0);
  EXPECT_NE(ReadBytes(page).find("pc-01"), std::string::npos);
  EXPECT_NE(ReadBytes(folder.File("fleet.csv")).find("\r\npc-01,u,"), std::string::npos);
  EXPECT_EQ(Main({"-o", page, calm, near}, kNow), 1);
  EXPECT_EQ(Main({"-o", page, calm, soon}, kNow), 1);
  // A page named without .html gets its CSV by adding .csv.
  EXPECT_EQ(Main({"--output", folder.File("fleet"), calm}, kNow), 0);
  EXPECT_NE(ReadBytes(folder.File("fleet.csv")).find("pc-01"), std::string::npos);
}

TEST(ReportProgram, AnInputThatCannotBeReadOrAWrongOptionIsAnErrorButTheRestIsReported) {
  TempDir folder;
  const std::string calm = folder.File("calm.log"), page = folder.File("fleet.html");
  WriteBytes(calm, Line("pc-01", "1000000", "30"));
  EXPECT_EQ(Main({"-o", page, calm, folder.File("missing.log")}, kNow), 2);
  EXPECT_NE(ReadBytes(page).find("pc-01"), std::string::npos);
  EXPECT_EQ(Main({"-o", page, testing_support::Utf8(folder.path())}, kNow), 2);  // a folder
  EXPECT_EQ(Main({"--frobnicate", calm}, kNow), 2);
  EXPECT_EQ(Main({"-o"}, kNow), 2);
  EXPECT_EQ(Main({"-o", folder.File("no such folder/fleet.html"), calm}, kNow), 2);
  EXPECT_EQ(Main({"--help"}, kNow), 0);
}

TEST(ReportProgram, AnInputIsReadWholeInPieces) {
  TempDir folder;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
  WriteBytes(folder.File("big.txt"), text);
  std::string read;
  std::uint64_t size = 0;
  std::size_t pieces = 0;
  ASSERT_TRUE(platform::ReadInPieces(folder.File("big.txt"), &size, [&](std::string_view piece) {
    read += piece;
    ++pieces;
  }));
  EXPECT_EQ(read, text);
  EXPECT_EQ(size, text.size());
  EXPECT_GT(pieces, 1u);
  EXPECT_FALSE(platform::ReadInPieces(folder.File("missing.txt"), &size, [](std::string_view) {}));
}

}  // namespace
}  // namespace report
