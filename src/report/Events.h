#pragma once
// The program's events as exported from the systems that collected them, read
// back into one shape whatever carried them: Windows event XML, journald's JSON
// and syslog files.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// One event of the program's, 1000 (a file at or over its warning size) or 1001
// (something a run could not do).
struct Event {
  std::int64_t time = 0;  // seconds since 1970, UTC; a syslog date without a zone is taken as UTC
  std::string computer;
  std::string user;  // the login name (Linux) or the SID (Windows)
  std::uint32_t id = 0;
  // The values in the order of log/EventFields.h's table for the event; a value
  // the event did not carry is empty.
  std::vector<std::string> values;
};

// What reading one kind of record gave.
enum class Record {
  Ours,      // one of the program's events, in the Event
  Other,     // another program's, or no event at all (a blank line, a header)
  Malformed  // the program's (or unreadable), but not readable as an event
};

// One `<Event>` element as `wevtutil qe /f:xml` and `evtxexport -f xml` print it.
Record ReadEventXml(std::string_view element, Event& event);
// One line of `journalctl -o json`: the ORVANE_* fields, else the MESSAGE's pairs.
Record ReadJournalJson(std::string_view line, Event& event);
// One line of a syslog file as rsyslog writes it by default, the traditional form
// ("Dec 10 03:55:56 host orvane[12]: id=1000 ...") or with an RFC 3339 date, or
// in RFC 5424's form ("<12>1 2026-12-10T03:55:56Z host orvane 12 - - id=1000 ...").
// `now` gives the year a traditional date leaves out: the latest that does not
// put it more than a day ahead of `now`.
Record ReadSyslogLine(std::string_view line, std::int64_t now, Event& event);
// The line the Linux program sends ("id=1000 path=C:\a.pst ... user=tanaka"),
// its logfmt pairs put at their places; the host and time are left as they are.
Record ReadEventLine(std::string_view text, Event& event);

// "2026-12-10T03:55:56.1234567Z" or with an offset ("+09:00") in seconds since
// 1970; false when it is not such a date.
bool ReadIsoTime(std::string_view text, std::int64_t& seconds);

// Splits exported events arriving in pieces of any size into records, finds the
// kind of each input from its first bytes, and hands on each of the program's
// events. An input that starts with UTF-16's byte-order mark (what PowerShell's
// redirection saves) is read as UTF-16; any other as UTF-8. A record longer than kLongestRecord is counted malformed
// and skipped, so that memory stays bounded whatever the input.
class EventStream {
 public:
  static constexpr std::size_t kLongestRecord = 1 << 20;

  EventStream(std::int64_t now, std::function<void(const Event&)> take) : now_(now), take_(std::move(take)) {}

  // A new input begins; `name` is how the malformed records' places are said.
  void Begin(std::string name);
  void Feed(std::string_view piece);
  void End();

  std::uint64_t events() const { return events_; }
  std::uint64_t malformed() const { return malformed_; }
  // Where the first few malformed records were: "name:line".
  const std::vector<std::string>& malformedPlaces() const { return places_; }

 private:
  enum class Kind { Unknown, Xml, Json, Syslog };
  void Take(std::string_view record, std::uint64_t line);
  std::string_view Decoded(std::string_view piece);
  bool Decide(bool atEnd);
  void TakeLines(bool atEnd);
  void TakeElements(bool atEnd);
  void CountMalformed(std::uint64_t line);

  std::int64_t now_;
  std::function<void(const Event&)> take_;
  std::string name_;
  Kind kind_ = Kind::Unknown;
  enum class Encoding { Unknown, Utf8, Utf16Le, Utf16Be };
  Encoding encoding_ = Encoding::Unknown;
  std::string raw_;      // bytes not yet decoded: the start, or half a UTF-16 unit
  std::string decoded_;  // the piece in UTF-8
  std::uint32_t highSurrogate_ = 0;
  std::string pending_;
  bool skipping_ = false;   // the rest of an over-long record is being passed over
  std::uint64_t line_ = 1;  // the line the pending text starts on
  std::uint64_t events_ = 0;
  std::uint64_t malformed_ = 0;
  std::vector<std::string> places_;
};

}  // namespace report
