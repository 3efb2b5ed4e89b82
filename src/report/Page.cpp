#include "report/Page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "log/EventFields.h"
#include "report/Text.h"

namespace report {
namespace {

struct BandLook {
  const char* label;
  const char* colour;
};
constexpr std::array<BandLook, kBands> kBandLooks{{
    {"At or past the stop", "#b00020"},
    {"95 % of the stop or more", "#e4572e"},
    {"90 % or more", "#f3a712"},
    {"80 % or more", "#e9d758"},
    {"Below 80 %", "#76b041"},
    {"Stop not known", "#9e9e9e"},
}};

const BandLook& LookOf(Band band) { return kBandLooks[static_cast<std::size_t>(band)]; }

// Field places in event 1000 (log/EventFields.h).
constexpr std::size_t kPath = 0, kName = 4, kDialog = 5, kGrowth = 10;

// "1,907.6 MB" for a size in KB, "-2.8 MB" below 0; "" for none.
std::string Megabytes(std::int64_t kb) {
  if (kb == kNone) return "";
  if (kb < 0) return std::string(1, '-').append(Megabytes(kb == INT64_MIN + 1 ? INT64_MAX : -kb));
  const std::int64_t tenths = kb / 1024 * 10 + ((kb % 1024) * 10 + 512) / 1024;
  const std::string digits = std::to_string(tenths / 10);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  text += '.';
  text += static_cast<char>('0' + tenths % 10);
  return text.append(" MB");
}

// The file's share of its stop, in tenths of a percent rounded down, so that a
// file short of its stop never shows 100 %.
std::string Percent(const Row& row) {
  if (row.band == Band::Unknown) return "";
  const double tenths = std::floor(static_cast<double>(row.sizeKb) * 1000.0 / static_cast<double>(row.stopKb) + 1e-9);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", tenths / 10.0);
  return text;
}

constexpr const char* kStyle =
    "body{font:14px/1.4 system-ui,sans-serif;margin:24px;color:#222}"
    "h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:28px 0 8px}"
    ".meta{color:#555;margin:0}.warn{color:#b00020}"
    "table{border-collapse:collapse}th,td{border-bottom:1px solid #ddd;padding:4px 8px;text-align:left;"
    "vertical-align:middle;white-space:nowrap}th{background:#f3f3f3}td.n{text-align:right;white-space:nowrap}"
    ".path{font-family:ui-monospace,monospace;font-size:12px;white-space:normal;word-break:break-all;max-width:28em}"
    ".band{display:inline-block;width:10px;height:10px;border-radius:2px;margin-right:6px}";

// Files per band, as horizontal bars.
std::string BandChart(const std::vector<std::size_t>& counts) {
  const std::size_t most = std::max<std::size_t>(1, *std::max_element(counts.begin(), counts.end()));
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"560\" height=\"" +
                    std::to_string(kBands * 26 + 4) + "\" role=\"img\" aria-label=\"Files per band\">";
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const std::string y = std::to_string(i * 26 + 2);
    const std::size_t width = counts[i] * 300 / most;
    svg += "<text x=\"0\" y=\"" + std::to_string(i * 26 + 18) + "\" font-size=\"13\">" + Html(kBandLooks[i].label) +
           "</text><rect x=\"190\" y=\"" + y + "\" width=\"" +
           std::to_string(std::max<std::size_t>(width, counts[i] ? 2 : 0)) + "\" height=\"20\" fill=\"" +
           kBandLooks[i].colour + "\"/><text x=\"" + std::to_string(196 + width) + "\" y=\"" +
           std::to_string(i * 26 + 18) + "\" font-size=\"13\">" + std::to_string(counts[i]) + "</text>";
  }
  return svg + "</svg>";
}

// The file's size over time, against its stop (dashed) when known.
std::string SizeChart(const Row& row) {
  if (row.sizes.size() < 2) return "";
  constexpr int kWidth = 160, kHeight = 36;
  // From a little below the smallest size up to the stop, so that the growth
  // shows against where it ends.
  std::int64_t top = std::max<std::int64_t>(row.stopKb, 1), least = top;
  for (const auto& [day, kb] : row.sizes) {
    top = std::max(top, kb);
    least = std::min(least, kb);
  }
  const std::int64_t bottom = std::max<std::int64_t>(0, least - (top - least) / 4 - 1);
  const std::int64_t first = row.sizes.front().first, span = std::max<std::int64_t>(1, row.sizes.back().first - first);
  const auto y = [&](std::int64_t kb) {
    return kHeight - 2 - static_cast<double>(kb - bottom) * (kHeight - 4) / static_cast<double>(top - bottom);
  };
  std::string points;
  for (const auto& [day, kb] : row.sizes) {
    char point[48];
    std::snprintf(point, sizeof point, "%.1f,%.1f ",
                  static_cast<double>((day - first) * kWidth) / static_cast<double>(span), y(kb));
    points += point;
  }
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
                    std::to_string(kHeight) + "\"><title>" + Html(Megabytes(row.sizes.front().second)) + " to " +
                    Html(Megabytes(row.sizes.back().second)) + " over " + std::to_string(span) + " days</title>";
  if (row.stopKb > 0) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "<line x1=\"0\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"#b00020\" stroke-dasharray=\"4 3\"/>",
                  y(row.stopKb), kWidth, y(row.stopKb));
    svg += line;
  }
  return svg + "<polyline fill=\"none\" stroke=\"" + LookOf(row.band).colour + "\" stroke-width=\"2\" points=\"" +
         points + "\"/></svg>";
}

std::string Cell(const std::string& text, const char* kind = nullptr) {
  return std::string("<td") + (kind ? std::string(" class=\"") + kind + "\"" : "") + ">" + Html(text) + "</td>";
}

std::string Csv(const std::string& value) {
  std::string safe =
      !value.empty() && std::string_view("=+-@").find(value[0]) != std::string_view::npos ? "'" + value : value;
  if (safe.find_first_of(",\"\r\n") == std::string::npos) return safe;
  std::string quoted = "\"";
  for (const char c : safe) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string PageOf(const Fleet& fleet, const Sources& sources) {
  const std::vector<const Row*> rows = fleet.Sorted();
  std::string page = std::string("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">") +
                     "<title>Orvane report</title><style>" + kStyle + "</style></head><body>\n<h1>Orvane report</h1>";
  std::string inputs;
  for (const std::string& input : sources.inputs) inputs += (inputs.empty() ? "" : ", ") + input;
  page += "<p class=\"meta\">Made " + Html(TimeText(sources.made)) + " UTC from " + std::to_string(sources.events) +
          " events in " + Html(inputs) + ".</p>\n";
  if (sources.malformed > 0) {
    std::string places;
    for (const std::string& place : sources.malformedPlaces) places += (places.empty() ? "" : ", ") + place;
    page += "<p class=\"meta warn\">" + std::to_string(sources.malformed) +
            " record(s) could not be read and were skipped (first at " + Html(places) + ").</p>\n";
  }
  page += "<h2>Files per band</h2>\n" + BandChart(fleet.BandCounts()) + "\n<h2>Files (" + std::to_string(rows.size()) +
          "), the soonest to stop first</h2>\n";
  page +=
      "<table><tr><th>Computer</th><th>User</th><th>Name</th><th>Path</th><th>Size</th><th>Of the stop</th>"
      "<th>Room left</th><th>Growth a week</th><th>Weeks to stop</th><th>Last event (UTC)</th><th>Dialog</th>"
      "<th>Size over time</th></tr>\n";
  for (const Row* row : rows) {
    const std::vector<std::string>& v = row->newest.values;
    page += "<tr>" + Cell(row->computer) + Cell(row->user) + Cell(v[kName]) + Cell(v[kPath], "path") +
            Cell(Megabytes(row->sizeKb), "n") +
            "<td class=\"n\"><span class=\"band\" style=\"background:" + LookOf(row->band).colour + "\"></span>" +
            Html(Percent(*row)) + "</td>" + Cell(Megabytes(row->roomKb), "n") +
            Cell(Number(v[kGrowth]) < 0 ? "" : Megabytes(Number(v[kGrowth])), "n") +
            Cell(row->weeksToStop == kNone ? "" : std::to_string(row->weeksToStop), "n") +
            Cell(TimeText(row->newest.time)) + Cell(v[kDialog]) + "<td>" + SizeChart(*row) + "</td></tr>\n";
  }
  page += "</table>\n";
  const std::vector<Failure> failures = fleet.Failures();
  page += "<h2>Failures (" + std::to_string(fleet.failureCount()) + ")</h2>\n";
  if (failures.size() < fleet.failureCount())
    page += "<p class=\"meta\">The newest " + std::to_string(failures.size()) + " are shown.</p>\n";
  page += "<table><tr><th>Time (UTC)</th><th>Computer</th><th>User</th><th>Message</th></tr>\n";
  for (const Failure& failure : failures)
    page += "<tr>" + Cell(TimeText(failure.time)) + Cell(failure.computer) + Cell(failure.user) +
            Cell(failure.message) + "</tr>\n";
  return page + "</table>\n</body></html>\n";
}

std::string CsvOf(const Fleet& fleet) {
  std::string csv =
      "\xEF\xBB\xBF"
      "computer,user,last_event,band";
  for (const events::Field& field : events::kWarningFields) csv.append(1, ',').append(field.key);
  csv += "\r\n";
  for (const Row* row : fleet.Sorted()) {
    csv += Csv(row->computer) + "," + Csv(row->user) + "," + Csv(TimeText(row->newest.time)) + "," +
           Csv(LookOf(row->band).label);
    for (const std::string& value : row->newest.values) csv.append(1, ',').append(Csv(value));
    csv += "\r\n";
  }
  return csv;
}

}  // namespace report
