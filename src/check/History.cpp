#include "check/History.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace history {
namespace {

constexpr std::string_view kHeader = "Orvane history 1";
constexpr std::int32_t kDailyDays = 42;
constexpr std::int32_t kKeptDays = 183;

constexpr std::string_view kBandNames[] = {"-", "early", "warning", "urgent", "full"};

std::string_view NameOf(Band band) { return kBandNames[static_cast<std::size_t>(band)]; }

std::optional<Band> BandNamed(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kBandNames); ++i)
    if (kBandNames[i] == name) return static_cast<Band>(i);
  return std::nullopt;
}

// A path with the characters that would end its field or line written as %XX.
std::string Escape(std::string_view path) {
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '%' || byte == 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 2 >= text.size() ||
        std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr != text.data() + i + 3)
      return std::nullopt;
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::optional<std::int64_t> Number(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<std::int32_t> DayNamed(std::string_view text) {
  if (text == "-") return kNever;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = Number(text.substr(0, 4)), month = Number(text.substr(5, 2)), day = Number(text.substr(8, 2));
  if (!year || !month || !day) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(*year)),
                                         std::chrono::month(static_cast<unsigned>(*month)),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) return std::nullopt;
  return static_cast<std::int32_t>(std::chrono::sys_days(date).time_since_epoch().count());
}

}  // namespace

std::int32_t DayOf(const platform::Date& date) {
  const std::chrono::year_month_day civil{std::chrono::year(date.year),
                                          std::chrono::month(static_cast<unsigned>(date.month)),
                                          std::chrono::day(static_cast<unsigned>(date.day))};
  return static_cast<std::int32_t>(std::chrono::sys_days(civil).time_since_epoch().count());
}

std::string DateText(std::int32_t day) {
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(day))};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()));
  return text;
}

std::optional<History> Parse(std::string_view text) {
  History history;
  Record* record = nullptr;
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (first) {
      if (line != kHeader) return std::nullopt;
      first = false;
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (fields[0] == "file" && fields.size() == 5) {
      const auto path = Unescape(fields[1]);
      const auto shown = DayNamed(fields[2]);
      const auto shownBand = BandNamed(fields[3]), excludedBand = BandNamed(fields[4]);
      if (!path || path->empty() || !shown || !shownBand || !excludedBand) return std::nullopt;
      record = &history[*path];
      *record = Record{{}, *shown, *shownBand, *excludedBand};
    } else if (fields[0] == "point" && fields.size() == 4 && record != nullptr) {
      const auto day = DayNamed(fields[1]);
      const auto size = Number(fields[2]), data = Number(fields[3]);
      if (!day || *day == kNever || !size || !data) return std::nullopt;
      if (!record->points.empty() && record->points.back().day >= *day) return std::nullopt;
      record->points.push_back({*day, *size, *data});
    } else if (!line.empty()) {
      return std::nullopt;
    }
  }
  if (first) return std::nullopt;
  return history;
}

std::string Format(const History& history) {
  std::string text(kHeader);
  text += "\r\n";
  for (const auto& [path, record] : history) {
    text.append("file\t").append(Escape(path)).append("\t");
    text.append(record.shownDay == kNever ? "-" : DateText(record.shownDay)).append("\t");
    text.append(NameOf(record.shownBand)).append("\t").append(NameOf(record.excludedBand)).append("\r\n");
    for (const Point& point : record.points)
      text.append("point\t")
          .append(DateText(point.day))
          .append("\t")
          .append(std::to_string(point.sizeKb))
          .append("\t")
          .append(std::to_string(point.dataKb))
          .append("\r\n");
  }
  return text;
}

void AddPoint(Record& record, const Point& point) {
  std::erase_if(record.points, [&](const Point& p) { return p.day >= point.day; });
  record.points.push_back(point);
}

void Thin(History& history, std::int32_t today) {
  const auto week = [](std::int32_t day) { return day >= 0 ? day / 7 : (day - 6) / 7; };
  for (auto it = history.begin(); it != history.end();) {
    std::vector<Point>& points = it->second.points;
    std::erase_if(points, [&](const Point& p) { return today - p.day >= kKeptDays; });
    // Past the daily weeks, the newest point of each week stays.
    std::vector<Point> kept;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const bool daily = today - points[i].day < kDailyDays;
      if (daily || i + 1 == points.size() || week(points[i + 1].day) != week(points[i].day)) kept.push_back(points[i]);
    }
    points = std::move(kept);
    it = points.empty() ? history.erase(it) : std::next(it);
  }
  while (history.size() > kMostFiles) {
    const auto oldest = std::min_element(history.begin(), history.end(), [](const auto& a, const auto& b) {
      return a.second.points.back().day < b.second.points.back().day;
    });
    history.erase(oldest);
  }
}

}  // namespace history
