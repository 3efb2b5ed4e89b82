#include "check/History.h"

#include <gtest/gtest.h>

namespace {

using history::Band;
using history::Point;

const std::int32_t kDay = history::DayOf({2026, 12, 10});

TEST(History, WritesAndReadsBackEveryFileWithOddPathsAndState) {
  history::History kept;
  kept["C:\\Mail\\個人用.pst"] = {
      {{kDay - 8, 1'600'000, 1'500'000}, {kDay, 1'650'000, 1'520'000}}, kDay, Band::Urgent, Band::Warning};
  kept["C:\\odd\t100%\r\nname.pst"] = {{{kDay, 10, 10}}, history::kNever, Band::None, Band::None};
  const std::string text = history::Format(kept);
  EXPECT_TRUE(text.starts_with("Orvane history 1\r\nfile\t"));
  EXPECT_NE(text.find("C:\\odd%09100%25%0D%0Aname.pst"), std::string::npos);
  EXPECT_NE(text.find("point\t2026-12-02\t1600000\t1500000\r\n"), std::string::npos);
  const auto read = history::Parse(text);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 2u);
  const history::Record& record = read->at("C:\\Mail\\個人用.pst");
  EXPECT_EQ(record.points.size(), 2u);
  EXPECT_EQ(record.points[0].dataKb, 1'500'000);
  EXPECT_EQ(record.shownDay, kDay);
  EXPECT_EQ(record.shownBand, Band::Urgent);
  EXPECT_EQ(record.excludedBand, Band::Warning);
  EXPECT_EQ(read->at("C:\\odd\t100%\r\nname.pst").shownDay, history::kNever);
  // LF alone reads too, as an editor may save it.
  std::string unix = text;
  std::erase(unix, '\r');
  EXPECT_TRUE(history::Parse(unix));
  EXPECT_EQ(history::DateText(kDay), "2026-12-10");
}

TEST(History, AnythingButItsOwnTextIsNoHistory) {
  const std::string head = "Orvane history 1\n";
  const std::string file = "file\tC:\\a.pst\t-\t-\t-\n";
  for (const std::string& text :
       {std::string(), std::string("[Orvane]\r\nLimitSize=1\r\n"), "Orvane history 2\n" + file,
        head + "point\t2026-12-10\t1\t1\n",                                  // a point of no file
        head + file + "point\t2026-02-30\t1\t1\n",                           // no such day
        head + file + "point\t2026-12-10\t-1\t1\n",                          // a negative size
        head + file + "point\t2026-12-10\t1\n",                              // a field short
        head + file + "point\t2026-12-10\t1\t1\npoint\t2026-12-09\t1\t1\n",  // out of order
        head + "file\tC:\\a.pst\t-\t-\tsoon\n",                              // no such stage
        head + "file\tC:\\bad%2\t-\t-\t-\n",                                 // a cut escape
        head + file + "garbage\n", std::string("\xEF\xBB\xBF") + head}) {
    EXPECT_FALSE(history::Parse(text)) << text;
  }
  EXPECT_TRUE(history::Parse(head));
  EXPECT_TRUE(history::Parse(head + file + "\n"));
}

TEST(History, ADayKeepsOnePointAndAgeThinsThePoints) {
  history::Record record;
  history::AddPoint(record, {kDay, 1, 1});
  history::AddPoint(record, {kDay, 2, 2});  // a second run the same day
  ASSERT_EQ(record.points.size(), 1u);
  EXPECT_EQ(record.points[0].sizeKb, 2);
  history::AddPoint(record, {kDay - 3, 3, 3});  // the clock set back: the later point goes
  ASSERT_EQ(record.points.size(), 1u);
  EXPECT_EQ(record.points[0].day, kDay - 3);

  // A point every day for a year, seen from its last day.
  history::History all;
  for (std::int32_t day = kDay - 364; day <= kDay; ++day) history::AddPoint(all["C:\\a.pst"], {day, day, day});
  all["C:\\gone.pst"].points = {{kDay - 200, 1, 1}};
  history::Thin(all, kDay);
  ASSERT_EQ(all.count("C:\\gone.pst"), 0u);
  const std::vector<Point>& points = all.at("C:\\a.pst").points;
  EXPECT_GT(points.front().day, kDay - 183);
  std::size_t daily = 0;
  for (const Point& p : points) daily += kDay - p.day < 42 ? 1 : 0;
  EXPECT_EQ(daily, 42u);
  EXPECT_LE(points.size() - daily, 21u);

  history::History many;
  for (int i = 0; i < 250; ++i) many["C:\\" + std::to_string(i) + ".pst"].points = {{kDay - i / 2, 1, 1}};
  history::Thin(many, kDay);
  EXPECT_EQ(many.size(), history::kMostFiles);
  EXPECT_EQ(many.count("C:\\0.pst"), 1u);
  EXPECT_EQ(many.count("C:\\249.pst"), 0u);
}

}  // namespace
