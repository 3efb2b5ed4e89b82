// The report's readers: one event as each collector exports it reads the same,
// and what is not one of the program's events is passed over or counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "report/Events.h"

namespace report {
namespace {

const std::vector<std::string> kValues = {"C:\\古い メール\\a&b <x>.pst",
                                          "1984000",
                                          "1000",
                                          "2097152",
                                          "個人用 \"フォルダ\"",
                                          "shown",
                                          "ANSI",
                                          "pst",
                                          "65198",
                                          "2000000",
                                          "",
                                          ""};
constexpr std::int64_t kTime = 1796814000;  // 2026-12-09 11:00:00 UTC
constexpr std::int64_t kNow = kTime + 3600;

// `utf8` as PowerShell's redirection saves it: UTF-16, little-endian, with its byte-order mark.
std::string Utf16(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  const auto unit = [&](char32_t value) {
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>(value >> 8);
  };
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t point = platform::DecodeUtf8(utf8, pos);
    if (point < 0x10000) {
      unit(point);
    } else {
      unit(0xD800 + ((point - 0x10000) >> 10));
      unit(0xDC00 + ((point - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

// Every form a collector exports event 1000 with kValues in.
std::vector<std::pair<std::string, std::string>> Forms() {
  const std::string line =
      "id=1000 path=\"C:\\\\古い メール\\\\a&b <x>.pst\" size_kb=1984000 warning_kb=1000 limit_kb=2097152 "
      "name=\"個人用 \\\"フォルダ\\\"\" dialog=shown format=ANSI kind=pst room_kb=65198 stop_kb=2000000 "
      "growth_kb_per_week=\"\" weeks_to_stop=\"\" user=tanaka";
  std::vector<std::pair<std::string, std::string>> forms{
      {"wevtutil",
       "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System><Provider Name='Orvane'/>"
       "<EventID Qualifiers='32768'>1000</EventID><Level>3</Level><TimeCreated "
       "SystemTime='2026-12-09T11:00:00.1234567Z'/>"
       "<EventRecordID>7</EventRecordID><Channel>Application</Channel><Computer>pc-01</Computer>"
       "<Security UserID='tanaka'/></System><EventData><Data>C:\\古い メール\\a&amp;b &lt;x&gt;.pst</Data>"
       "<Data>1984000</Data><Data>1000</Data><Data>2097152</Data><Data>個人用 "
       "&quot;フォルダ&quot;</Data><Data>shown</Data>"
       "<Data>ANSI</Data><Data>pst</Data><Data>65198</Data><Data>2000000</Data><Data></Data><Data/></EventData>"
       "<RenderingInfo Culture='ja-JP'><Message>…</Message></RenderingInfo></Event>"},
      {"evtxexport",
       "evtxexport 20240504\n\n<Event xmlns=\"http://schemas.microsoft.com/win/2004/08/events/event\">\n  <System>\n"
       "    <Provider Name=\"Orvane\"/>\n    <EventID Qualifiers=\"32768\">1000</EventID>\n"
       "    <TimeCreated SystemTime=\"2026-12-09T20:00:00.000000000+09:00\"/>\n    <Computer>pc-01</Computer>\n"
       "    <Security UserID=\"tanaka\"/>\n  </System>\n  <EventData>\n"
       "    <Data>C:\\古い メール\\a&#38;b &#x3c;x&#x3E;.pst</Data>\n    <Data>1984000</Data>\n    <Data>1000</Data>\n"
       "    <Data>2097152</Data>\n    <Data>個人用 \"フォルダ\"</Data>\n    <Data>shown</Data>\n    <Data>ANSI</Data>\n"
       "    <Data>pst</Data>\n    <Data>65198</Data>\n    <Data>2000000</Data>\n  </EventData>\n</Event>\n\n"},
      {"journal fields",
       "{\"__REALTIME_TIMESTAMP\":\"1796814000123456\",\"_HOSTNAME\":\"pc-01\",\"_UID\":\"1000\",\"MESSAGE\":\"" +
           std::string("id=1000 ignored=1") +
           "\",\"SYSLOG_IDENTIFIER\":\"orvane\",\"ORVANE_PATH\":"
           "\"C:\\\\古い メール\\\\a&b <x>.pst\",\"ORVANE_SIZE_KB\":\"1984000\",\"ORVANE_WARNING_KB\":\"1000\","
           "\"ORVANE_LIMIT_KB\":\"2097152\",\"ORVANE_NAME\":\"\\u500b\\u4eba\\u7528 "
           "\\\"フォルダ\\\"\",\"ORVANE_DIALOG\":"
           "[115,104,111,119,110],\"ORVANE_FORMAT\":\"ANSI\",\"ORVANE_KIND\":\"pst\",\"ORVANE_ROOM_KB\":\"65198\","
           "\"ORVANE_STOP_KB\":\"2000000\",\"ORVANE_GROWTH_KB_PER_WEEK\":\"\",\"ORVANE_USER\":\"tanaka\","
           "\"ORVANE_ID\":\"1000\"}\n"},
      {"journal line",
       "{\"__REALTIME_TIMESTAMP\" : \"1796814000000000\", \"_HOSTNAME\":\"pc-01\",\"SYSLOG_IDENTIFIER\":"
       "\"orvane\",\"MESSAGE\":\"" +
           [&] {
             std::string json;
             for (const char c : line) json += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
             return json;
           }() +
           "\"}\n"},
      {"traditional", "Dec  9 11:00:00 pc-01 orvane[18521]: " + line + "\n"},
      {"RFC 3339", "2026-12-09T20:00:00.123456+09:00 pc-01 orvane[18521]: " + line + "\r\n"},
      {"RFC 5424",
       "<12>1 2026-12-09T11:00:00Z pc-01 orvane 18521 - [meta x=\"a\\]b\"][o y=\"1\"] \xEF\xBB\xBF" + line + "\n"},
  };
  forms.emplace_back("wevtutil, saved by PowerShell", Utf16(forms[0].second));
  return forms;
}

std::vector<Event> ReadAll(const std::string& text, std::size_t pieceSize) {
  std::vector<Event> read;
  EventStream stream(kNow, [&](const Event& event) { read.push_back(event); });
  stream.Begin("input");
  for (std::size_t at = 0; at < text.size(); at += pieceSize) stream.Feed(std::string_view(text).substr(at, pieceSize));
  stream.End();
  return read;
}

TEST(ReportReaders, EachCollectorsFormGivesTheSameEventInPiecesOfAnySize) {
  for (const auto& [form, text] : Forms()) {
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
      SCOPED_TRACE(form + ", pieces of " + std::to_string(piece));
      std::string twice = text + text;  // the last without its line break
      if (twice.ends_with('\n')) twice.pop_back();
      const std::vector<Event> read = ReadAll(twice, piece);
      ASSERT_EQ(read.size(), 2u);
      EXPECT_EQ(read[0].id, 1000u);
      EXPECT_EQ(read[0].time, kTime);
      EXPECT_EQ(read[0].computer, "pc-01");
      EXPECT_EQ(read[0].user, "tanaka");
      EXPECT_EQ(read[0].values, kValues);
    }
  }
}

TEST(ReportReaders, OtherProgramsArePassedOverAndBrokenEventsCountedWhereTheyAre) {
  const struct {
    const char* what;
    std::string text;
    std::size_t events, malformed;
    const char* firstPlace;
  } cases[] = {
      {"another program's lines, blank lines",
       "Dec  9 11:00:00 pc-01 cron[1]: id=1000 path=x\n\n<13>1 2026-12-09T11:00:00Z pc - - - - hi\n", 0, 0, ""},
      {"an unclosed quote, a key without a value, an unknown id, no path, text that is no syslog",
       "Dec  9 11:00:00 pc orvane[1]: id=1000 path=\"C:\\a\nDec  9 11:00:00 pc orvane[1]: id=1000 path\n"
       "Dec  9 11:00:00 pc orvane[1]: id=7 path=a\nDec  9 11:00:00 pc orvane[1]: id=1000 size_kb=1\n"
       "garbage\nDec  9 11:00:00 pc orvane[1]: id=1001 message=ok user=u\n",
       1, 5, "input:1"},
      {"another source's events and one of ours cut short",
       "<Event><System><Provider Name='Other'/><EventID>1000</EventID></System></Event>"
       "<Event><System><Provider Name='Orvane'/><EventID>1000</EventID></System><EventData><Data>C:\\a.pst</Data>"
       "</EventData></Event>\n\n<Event><System><Provider Name='Orvane'/>",
       1, 1, "input:3"},
      {"JSON that is not, another program's entry",
       "{\"MESSAGE\":\"id=1000 path=a\",\"SYSLOG_IDENTIFIER\":\"sshd\"}\n{\"MESSAGE\":\"x\n{\"a\":[300]}\n"
       "{\"SYSLOG_IDENTIFIER\":\"orvane\",\"MESSAGE\":\"id=1001 message=\\\"a b\\\"\"}\n",
       1, 2, "input:2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Event> read;
    EventStream stream(kNow, [&](const Event& event) { read.push_back(event); });
    stream.Begin("input");
    stream.Feed(c.text);
    stream.End();
    EXPECT_EQ(read.size(), c.events);
    EXPECT_EQ(stream.malformed(), c.malformed);
    EXPECT_EQ(stream.malformedPlaces().empty() ? "" : stream.malformedPlaces()[0], c.firstPlace);
  }
}

TEST(ReportReaders, ARecordTooLongIsSkippedAndTheNextOneRead) {
  const std::string next = "Dec  9 11:00:00 pc orvane[1]: id=1001 message=after\n";
  for (const std::string& text :
       {"Dec  9 11:00:00 pc orvane[1]: id=1001 message=" + std::string(EventStream::kLongestRecord + 10, 'x') + "\n" +
            next,
        "<Event><System><Provider Name='Orvane'/><EventID>1001</EventID></System><EventData><Data>" +
            std::string(EventStream::kLongestRecord + 10, 'x') +
            "</Data></EventData></Event><Event><System><Provider "
            "Name='Orvane'/><EventID>1001</EventID></System><EventData><Data>after</Data></EventData></Event>"}) {
    std::vector<Event> read;
    EventStream stream(kNow, [&](const Event& event) { read.push_back(event); });
    stream.Begin("input");
    for (std::size_t at = 0; at < text.size(); at += 65536) stream.Feed(std::string_view(text).substr(at, 65536));
    stream.End();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].values, std::vector<std::string>{"after"});
    EXPECT_EQ(stream.malformed(), 1u);
  }
}

TEST(ReportReaders, DatesWithZonesAndTheYearATraditionalDateLeavesOut) {
  std::int64_t seconds = 0;
  EXPECT_TRUE(ReadIsoTime("2026-12-09T11:00:00Z", seconds));
  EXPECT_EQ(seconds, kTime);
  EXPECT_TRUE(ReadIsoTime("2026-12-09T06:30:00.5-04:30", seconds));
  EXPECT_EQ(seconds, kTime);
  for (const char* bad : {"2026-13-09T11:00:00Z", "2026-12-09T11:00:00", "2026-12-09T11:00:00+9", "yesterday"})
    EXPECT_FALSE(ReadIsoTime(bad, seconds)) << bad;

  Event event;
  // On 1 January, a line of 31 December is last year's.
  const std::int64_t newYear = 1798761600;  // 2027-01-01 00:00:00 UTC
  ASSERT_EQ(ReadSyslogLine("Dec 31 23:00:00 pc orvane[1]: id=1001 message=m", newYear, event), Record::Ours);
  EXPECT_EQ(event.time, newYear - 3600);
  ASSERT_EQ(ReadSyslogLine("Jan  1 00:30:00 pc orvane[1]: id=1001 message=m", newYear, event), Record::Ours);
  EXPECT_EQ(event.time, newYear + 1800);
}

}  // namespace
}  // namespace report
