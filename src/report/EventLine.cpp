// The text forms of an event: the Linux program's logfmt line, as syslog files
// and journald keep it, and dates.
#include <array>
#include <charconv>

#include "log/EventFields.h"
#include "report/Events.h"
#include "report/Text.h"

namespace report {
namespace {

template <std::size_t N>
int PlaceOf(const std::array<events::Field, N>& fields, std::string_view key) {
  for (std::size_t i = 0; i < N; ++i)
    if (fields[i].key == key) return static_cast<int>(i);
  return -1;
}

// Where the value of `key` goes in an event `id`; -1 for a key the table does not name.
int PlaceOf(std::uint32_t id, std::string_view key) {
  return id == 1000 ? PlaceOf(events::kWarningFields, key) : PlaceOf(events::kFailureFields, key);
}

// One logfmt value from `text` at `pos`: quoted with the line's escapes, or up
// to the next blank as it is. False for an unclosed quote or a broken escape.
bool ReadValue(std::string_view text, std::size_t& pos, std::string& value) {
  value.clear();
  if (pos >= text.size() || text[pos] != '"') {
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    value = text.substr(pos, end - pos);
    pos = end;
    return true;
  }
  for (++pos; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c != '\\') {
      value += c;
      continue;
    }
    if (++pos == text.size()) return false;
    switch (text[pos]) {
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      case 't':
        value += '\t';
        break;
      case 'u': {
        unsigned point = 0;
        if (pos + 4 >= text.size() ||
            std::from_chars(text.data() + pos + 1, text.data() + pos + 5, point, 16).ptr != text.data() + pos + 5)
          return false;
        AppendUtf8(value, point);
        pos += 4;
        break;
      }
      default:
        value += text[pos];
    }
  }
  return false;
}

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Dec 10 03:55:56" (the day may be padded with a blank) in seconds, in the
// latest year that keeps it no more than a day ahead of `now`.
bool ReadTraditionalTime(std::string_view text, std::int64_t now, std::int64_t& seconds) {
  if (text.size() != 15 || text[3] != ' ' || text[6] != ' ' || text[9] != ':' || text[12] != ':') return false;
  int month = 0;
  while (month < 12 && kMonths[static_cast<std::size_t>(month)] != text.substr(0, 3)) ++month;
  const int day = text[4] == ' ' ? Digits(text.substr(5, 1)) : Digits(text.substr(4, 2));
  const int hour = Digits(text.substr(7, 2)), minute = Digits(text.substr(10, 2)), second = Digits(text.substr(13, 2));
  if (month == 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 60)
    return false;
  const int year = CivilYear(now);
  for (const int candidate : {year + 1, year, year - 1}) {
    seconds = SecondsOf(candidate, month + 1, day) + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    if (seconds <= now + 86400) return true;
  }
  return true;
}

}  // namespace

bool ReadIsoTime(std::string_view text, std::int64_t& seconds) {
  // 2026-12-10T03:55:56[.fraction](Z|+hh:mm|-hh:mm)
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':')
    return false;
  const int year = Digits(text.substr(0, 4)), month = Digits(text.substr(5, 2)), day = Digits(text.substr(8, 2));
  const int hour = Digits(text.substr(11, 2)), minute = Digits(text.substr(14, 2)), second = Digits(text.substr(17, 2));
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60)
    return false;
  std::size_t pos = 19;
  if (text[pos] == '.')
    while (++pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    }
  std::string_view zone = text.substr(pos);
  int offset = 0;
  if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
    const int hours = Digits(zone.substr(1, 2)), minutes = Digits(zone.substr(4, 2));
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return false;
    offset = (zone[0] == '+' ? 1 : -1) * (hours * 3600 + minutes * 60);
  } else if (zone != "Z") {
    return false;
  }
  seconds = SecondsOf(year, month, day) + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second - offset;
  return true;
}

Record ReadEventLine(std::string_view text, Event& event) {
  event.id = 0;
  event.values.clear();
  std::string key, value;
  std::size_t pos = 0;
  bool sawUser = false;
  while (pos < text.size()) {
    if (text[pos] == ' ') {
      ++pos;
      continue;
    }
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos || text.substr(pos, equals - pos).find(' ') != std::string_view::npos)
      return Record::Malformed;
    key = text.substr(pos, equals - pos);
    pos = equals + 1;
    if (!ReadValue(text, pos, value) || (pos < text.size() && text[pos] != ' ')) return Record::Malformed;
    if (key == "id") {
      if (!event.values.empty() || (value != "1000" && value != "1001")) return Record::Malformed;
      event.id = value == "1000" ? 1000 : 1001;
      event.values.assign(event.id == 1000 ? events::kWarningFields.size() : events::kFailureFields.size(), {});
    } else if (event.id == 0) {
      return Record::Malformed;  // the id comes first
    } else if (key == "user") {
      event.user = value;
      sawUser = true;
    } else if (const int place = PlaceOf(event.id, key); place >= 0) {
      event.values[static_cast<std::size_t>(place)] = value;
    }
  }
  if (event.id == 0 || event.values[0].empty()) return Record::Malformed;
  if (!sawUser) event.user.clear();
  return Record::Ours;
}

Record ReadSyslogLine(std::string_view line, std::int64_t now, Event& event) {
  if (line.find_first_not_of(" \t") == std::string_view::npos) return Record::Other;
  std::size_t pos = 0;
  if (line[0] == '<') {
    pos = line.find('>');
    if (pos > 4) return Record::Malformed;  // also when there is none
    ++pos;
  }
  auto token = [&] {
    const std::size_t end = std::min(line.find(' ', pos), line.size());
    const std::string_view word = line.substr(pos, end - pos);
    pos = std::min(end + 1, line.size());
    return word;
  };
  event = Event{};
  std::string_view app, message;
  if (line.substr(pos, 2) == "1 ") {  // RFC 5424
    pos += 2;
    const std::string_view stamp = token();
    if (stamp != "-" && !ReadIsoTime(stamp, event.time)) return Record::Malformed;
    const std::string_view host = token();
    app = token();
    token();                           // the process
    token();                           // the message's kind
    if (line.substr(pos, 1) == "[") {  // structured data: [...] elements back to back
      while (pos < line.size() && line[pos] == '[') {
        bool escaped = false;
        while (++pos < line.size() && (escaped || line[pos] != ']')) escaped = !escaped && line[pos] == '\\';
        if (pos == line.size()) return Record::Malformed;
        ++pos;
      }
      if (pos < line.size() && line[pos++] != ' ') return Record::Malformed;
    } else if (token() != "-") {
      return Record::Malformed;
    }
    message = line.substr(std::min(pos, line.size()));
    if (message.starts_with("\xEF\xBB\xBF")) message.remove_prefix(3);
    event.computer = host == "-" ? "" : std::string(host);
  } else {
    if (line.size() > pos + 15 && ReadTraditionalTime(line.substr(pos, 15), now, event.time)) {
      pos += 16;
    } else if (!ReadIsoTime(token(), event.time)) {
      return Record::Malformed;
    }
    std::string_view tag = token();
    if (!tag.ends_with(':')) {  // a host first; lines taken from the socket have none
      event.computer = tag;
      tag = token();
    }
    if (!tag.ends_with(':')) return Record::Malformed;
    app = tag.substr(0, std::min(tag.find('['), tag.size() - 1));
    message = line.substr(pos);
  }
  if (app != "orvane") return Record::Other;
  std::string computer = std::move(event.computer);
  const std::int64_t time = event.time;
  const Record read = ReadEventLine(message, event);
  event.computer = std::move(computer);
  event.time = time;
  return read;
}

}  // namespace report
