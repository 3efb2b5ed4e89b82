// What the report makes of the events: the newest event of each computer, user
// and file, in the order a person acts on, and a page and CSV that show every
// value as it was, whatever it holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/Fleet.h"
#include "report/Page.h"

namespace report {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kStart = 1796774400;  // 2026-12-09 00:00 UTC

Event Warning(std::int64_t time, std::string computer, std::string path, std::int64_t sizeKb, std::string weeks = "",
              std::string name = "個人用フォルダ") {
  const std::int64_t stop = 2000000;
  return {time,
          std::move(computer),
          "tanaka",
          1000,
          {std::move(path), std::to_string(sizeKb), "1000", "2097152", std::move(name), "shown", "ANSI", "pst",
           std::to_string(stop - sizeKb + 97152), std::to_string(stop), weeks.empty() ? "" : "50000", weeks}};
}

std::vector<std::string> Order(const Fleet& fleet) {
  std::vector<std::string> order;
  for (const Row* row : fleet.Sorted())
    order.push_back(row->computer + " " + row->newest.values[0] + " " + row->newest.values[1]);
  return order;
}

TEST(ReportFleet, TheNewestEventOfEachFileWinsAndTheSoonestToStopComesFirst) {
  Fleet fleet;
  // Read out of order: an older event after a newer one does not win.
  fleet.Add(Warning(kStart + 2 * kDay, "pc-01", "C:\\a.pst", 1950000, "1"));
  fleet.Add(Warning(kStart, "pc-01", "C:\\a.pst", 1800000, "4"));
  fleet.Add(Warning(kStart + kDay, "pc-01", "C:\\a.pst", 1900000, "2"));
  fleet.Add(Warning(kStart, "pc-02", "C:\\a.pst", 1700000));  // the same path elsewhere: a row of its own
  fleet.Add(Warning(kStart, "pc-03", "C:\\b.pst", 1990000));  // no forecast, little room
  fleet.Add(Warning(kStart, "pc-04", "C:\\c.pst", 2100000));  // past the stop
  fleet.Add(Warning(kStart, "pc-05", "C:\\d.pst", 1000000, "30"));
  EXPECT_EQ(Order(fleet),
            (std::vector<std::string>{"pc-04 C:\\c.pst 2100000", "pc-01 C:\\a.pst 1950000", "pc-05 C:\\d.pst 1000000",
                                      "pc-03 C:\\b.pst 1990000", "pc-02 C:\\a.pst 1700000"}));
  EXPECT_EQ(fleet.BandCounts(), (std::vector<std::size_t>{1, 2, 0, 1, 1, 0}));
  // Each day's size, oldest first, for the chart.
  const Row* first = fleet.Sorted()[1];  // pc-01's
  EXPECT_EQ(first->sizes, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                              {kStart / kDay, 1800000}, {kStart / kDay + 1, 1900000}, {kStart / kDay + 2, 1950000}}));
  EXPECT_TRUE(AnyNear(fleet.Sorted()));

  Fleet calm;
  calm.Add(Warning(kStart, "pc-01", "C:\\a.pst", 1500000, "5"));
  EXPECT_FALSE(AnyNear(calm.Sorted()));
  calm.Add(Warning(kStart, "pc-01", "C:\\b.pst", 1500000, "4"));
  EXPECT_TRUE(AnyNear(calm.Sorted()));
  EXPECT_EQ(BandOf(1, 0), Band::Unknown);
  EXPECT_EQ(BandOf(INT64_MAX / 2, 1), Band::Past);
}

TEST(ReportFleet, FailuresAreKeptNewestFirstUpToTheirBound) {
  Fleet fleet;
  for (std::size_t i = 0; i < Fleet::kFailuresKept + 20; ++i)
    fleet.Add({kStart + static_cast<std::int64_t>(i), "pc", "u", 1001, {"failure " + std::to_string(i)}});
  EXPECT_EQ(fleet.failureCount(), Fleet::kFailuresKept + 20);
  const std::vector<Failure> kept = fleet.Failures();
  ASSERT_EQ(kept.size(), Fleet::kFailuresKept);
  EXPECT_EQ(kept.front().message, "failure " + std::to_string(Fleet::kFailuresKept + 19));
  EXPECT_EQ(kept.back().message, "failure 20");
}

TEST(ReportPage, EveryValueFromAUserIsShownAsTextNeverAsMarkupOrAFormula) {
  Fleet fleet;
  const std::string hostile = "<script>alert('x')</script>&amp;\"";
  fleet.Add(Warning(kStart, hostile, "C:\\" + hostile + ".pst", 1950000, "1", hostile));
  fleet.Add(Warning(kStart + kDay, hostile, "C:\\" + hostile + ".pst", 1960000, "1", hostile));
  fleet.Add({kStart, "pc", hostile, 1001, {hostile}});
  fleet.Add(Warning(kStart, "=cmd|'/c calc'!A1", "C:\\a,b.pst", 1000, "", "-2+3"));
  const std::string page = PageOf(fleet, {{hostile}, 4, 1, {hostile + ":3"}, kStart});
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("alert('"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;amp;&quot;"), std::string::npos);
  // Self-contained: nothing fetched, nothing run.
  for (const char* outside : {"src=", "href=", "<link", "url(", "@import", "on"})
    EXPECT_EQ(page.find(std::string(" ") + outside), std::string::npos) << outside;
  // The files' chart, the band's share and the size over time.
  EXPECT_NE(page.find("98.0 %"), std::string::npos);
  EXPECT_NE(page.find("<polyline"), std::string::npos);
  EXPECT_NE(page.find("1 record(s) could not be read"), std::string::npos);

  const std::string csv = CsvOf(fleet);
  EXPECT_TRUE(
      csv.starts_with("\xEF\xBB\xBF"
                      "computer,user,last_event,band,path,size_kb,"));
  EXPECT_NE(csv.find("\r\n\"<script>alert('x')</script>&amp;\"\"\",tanaka,"), std::string::npos);
  EXPECT_NE(csv.find("\r\n'=cmd|'/c calc'!A1,tanaka,"), std::string::npos);
  EXPECT_NE(csv.find(",\"C:\\a,b.pst\",1000,1000,2097152,'-2+3,"), std::string::npos);
}

}  // namespace
}  // namespace report
