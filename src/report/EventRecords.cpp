// The structured forms of an event: Windows' event XML and journald's JSON.
#include <array>

#include "log/EventFields.h"
#include "report/Events.h"
#include "report/Text.h"

namespace report {
namespace {

// ---- XML, as much of it as an exported event uses ----

// `text` with XML's character references replaced.
std::string Unescape(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const std::size_t end = text[pos] == '&' ? text.find(';', pos) : std::string_view::npos;
    if (end == std::string_view::npos || end - pos > 10) {
      plain += text[pos];
      continue;
    }
    const std::string_view name = text.substr(pos + 1, end - pos - 1);
    std::int64_t point = -1;
    if (name == "lt")
      point = '<';
    else if (name == "gt")
      point = '>';
    else if (name == "amp")
      point = '&';
    else if (name == "quot")
      point = '"';
    else if (name == "apos")
      point = '\'';
    else if (name.starts_with("#x") || name.starts_with("#X")) {
      point = 0;
      for (const char c : name.substr(2)) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        point = digit < 0 || point > 0x10FFFF ? -1 : point * 16 + digit;
        if (point < 0) break;
      }
      if (name.size() == 2) point = -1;
    } else if (name.starts_with('#')) {
      point = name.size() > 8 ? -1 : Number(name.substr(1));
    }
    if (point < 0) {
      plain += text[pos];
      continue;
    }
    AppendUtf8(plain, static_cast<std::uint32_t>(point));
    pos = end;
  }
  return plain;
}

// One element found in the text: its attributes' text and its content.
struct Element {
  bool found = false;
  std::string_view attributes;
  std::string_view content;
  std::size_t end = 0;  // just past it
};

// The first element `name` at or after `from` (not one whose name merely starts so).
Element Find(std::string_view text, std::string_view name, std::size_t from = 0) {
  Element element;
  for (std::size_t pos = text.find('<', from); pos != std::string_view::npos; pos = text.find('<', pos + 1)) {
    if (text.substr(pos + 1, name.size()) != name) continue;
    const std::size_t after = pos + 1 + name.size();
    if (after >= text.size() || (text[after] != '>' && text[after] != '/' && text[after] != ' ' &&
                                 text[after] != '\t' && text[after] != '\r' && text[after] != '\n'))
      continue;
    const std::size_t close = text.find('>', after);
    if (close == std::string_view::npos) return element;
    element.found = true;
    const bool empty = text[close - 1] == '/';
    element.attributes = text.substr(after, close - after - (empty ? 1 : 0));
    if (empty) {
      element.end = close + 1;
      return element;
    }
    const std::string endTag = "</" + std::string(name) + ">";
    const std::size_t last = text.find(endTag, close + 1);
    if (last == std::string_view::npos) {
      element.found = false;
      return element;
    }
    element.content = text.substr(close + 1, last - close - 1);
    element.end = last + endTag.size();
    return element;
  }
  return element;
}

// The value of attribute `name` in an element's attributes' text.
std::string Attribute(std::string_view attributes, std::string_view name) {
  for (std::size_t pos = attributes.find(name); pos != std::string_view::npos; pos = attributes.find(name, pos + 1)) {
    const std::size_t after = pos + name.size();
    if ((pos > 0 && attributes[pos - 1] != ' ' && attributes[pos - 1] != '\t' && attributes[pos - 1] != '\n') ||
        attributes.substr(after, 1) != "=" || after + 1 >= attributes.size())
      continue;
    const char quote = attributes[after + 1];
    const std::size_t close = attributes.find(quote, after + 2);
    if ((quote != '\'' && quote != '"') || close == std::string_view::npos) return {};
    return Unescape(attributes.substr(after + 2, close - after - 2));
  }
  return {};
}

std::size_t FieldCount(std::uint32_t id) {
  return id == 1000 ? events::kWarningFields.size() : events::kFailureFields.size();
}

// ---- JSON, as journalctl writes a line of it ----

class Json {
 public:
  explicit Json(std::string_view text) : text_(text) {}

  // Reads one object of plain values, handing each member to `take`; an array
  // of numbers (a journal field that is not text) as its bytes, of strings as
  // its first. False when the text is not such an object.
  template <typename Take>
  bool Object(Take take) {
    if (!Skip('{')) return false;
    std::string key, value;
    if (Skip('}')) return End();
    do {
      if (!String(key) || !Skip(':') || !Value(value)) return false;
      take(key, value);
    } while (Skip(','));
    return Skip('}') && End();
  }

 private:
  void Blank() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
  }
  bool Skip(char c) {
    Blank();
    if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
    return false;
  }
  bool End() {
    Blank();
    return pos_ == text_.size();
  }
  bool Hex4(std::uint32_t& unit) {
    if (pos_ + 4 > text_.size()) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      unit = unit * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }
  bool String(std::string& out) {
    out.clear();
    if (!Skip('"')) return false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ == text_.size()) return false;
      const char escape = text_[pos_++];
      std::uint32_t unit = 0;
      switch (escape) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case '"':
        case '\\':
        case '/':
          out += escape;
          break;
        case 'u':
          if (!Hex4(unit)) return false;
          if (unit >= 0xD800 && unit < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            const std::size_t mark = pos_;
            std::uint32_t low = 0;
            pos_ += 2;
            if (Hex4(low) && low >= 0xDC00 && low < 0xE000)
              unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            else
              pos_ = mark;
          }
          AppendUtf8(out, unit);
          break;
        default:
          return false;
      }
    }
    return false;
  }
  bool Scalar(std::string& out) {
    Blank();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '}' && text_[pos_] != ']' && text_[pos_] != ' ')
      ++pos_;
    out = text_.substr(start, pos_ - start);
    return !out.empty() && out.find_first_of("\"{[:") == std::string::npos;
  }
  bool Value(std::string& out) {
    Blank();
    if (pos_ < text_.size() && text_[pos_] == '"') return String(out);
    if (!Skip('[')) return Scalar(out);
    out.clear();
    std::string item;
    bool first = true;
    if (Skip(']')) return true;
    do {
      Blank();
      if (pos_ < text_.size() && text_[pos_] == '"') {
        if (!String(item)) return false;
        if (first) out = item;
      } else {
        const int byte = Scalar(item) ? Digits(item) : -1;
        if (byte < 0 || byte > 255) return false;
        out += static_cast<char>(byte);
      }
      first = false;
    } while (Skip(','));
    return Skip(']');
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

Record ReadEventXml(std::string_view element, Event& event) {
  event = Event{};
  const Element system = Find(element, "System");
  if (!system.found) return Record::Malformed;
  const Element provider = Find(system.content, "Provider");
  if (Attribute(provider.attributes, "Name") != "Orvane") return Record::Other;
  const Element id = Find(system.content, "EventID");
  const std::int64_t number = Number(id.content);
  if (number != 1000 && number != 1001) return id.found ? Record::Other : Record::Malformed;
  event.id = static_cast<std::uint32_t>(number);
  ReadIsoTime(Attribute(Find(system.content, "TimeCreated").attributes, "SystemTime"), event.time);
  event.computer = Unescape(Find(system.content, "Computer").content);
  event.user = Attribute(Find(system.content, "Security").attributes, "UserID");
  const Element data = Find(element, "EventData", system.end);
  event.values.assign(FieldCount(event.id), {});
  std::size_t place = 0;
  for (Element value = Find(data.content, "Data"); value.found && place < event.values.size();
       value = Find(data.content, "Data", value.end))
    event.values[place++] = Unescape(value.content);
  return event.values[0].empty() ? Record::Malformed : Record::Ours;
}

namespace {

// The journal's name for a field of the table: ORVANE_ and the key in capitals.
bool IsJournalName(std::string_view name, std::string_view key) {
  if (name.size() != key.size() + 7 || !name.starts_with("ORVANE_")) return false;
  for (std::size_t c = 0; c < key.size(); ++c)
    if (name[7 + c] != (key[c] >= 'a' && key[c] <= 'z' ? key[c] - 'a' + 'A' : key[c])) return false;
  return true;
}

template <std::size_t N>
void TakeNamed(const std::array<events::Field, N>& fields, std::vector<std::pair<std::string, std::string>>& named,
               Event& event) {
  event.values.assign(N, {});
  for (auto& [name, value] : named)
    for (std::size_t i = 0; i < N; ++i)
      if (IsJournalName(name, fields[i].key)) {
        event.values[i] = std::move(value);
        break;
      }
}

}  // namespace

Record ReadJournalJson(std::string_view line, Event& event) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) return Record::Other;
  event = Event{};
  std::string message, identifier, uid, id;
  std::vector<std::pair<std::string, std::string>> named;
  const bool read = Json(line).Object([&](const std::string& key, std::string& value) {
    if (key == "MESSAGE")
      message = std::move(value);
    else if (key == "SYSLOG_IDENTIFIER")
      identifier = std::move(value);
    else if (key == "_HOSTNAME")
      event.computer = std::move(value);
    else if (key == "_UID")
      uid = std::move(value);
    else if (key == "__REALTIME_TIMESTAMP")
      event.time = Number(value) < 0 ? 0 : Number(value) / 1000000;
    else if (key == "ORVANE_ID")
      id = std::move(value);
    else if (key == "ORVANE_USER")
      event.user = std::move(value);
    else if (key.starts_with("ORVANE_") && named.size() < 64)
      named.emplace_back(key, std::move(value));
  });
  if (!read) return Record::Malformed;
  if (identifier != "orvane" && id.empty()) return Record::Other;
  Record result = Record::Ours;
  if (id.empty() || named.empty()) {
    // An entry from the system-log socket: the line is all there is.
    const std::string computer = std::move(event.computer);
    const std::int64_t time = event.time;
    result = ReadEventLine(message, event);
    event.computer = computer;
    event.time = time;
  } else if (id == "1000" || id == "1001") {
    event.id = id == "1000" ? 1000 : 1001;
    if (event.id == 1000)
      TakeNamed(events::kWarningFields, named, event);
    else
      TakeNamed(events::kFailureFields, named, event);
    if (event.values[0].empty()) result = Record::Malformed;
  } else {
    result = Record::Malformed;
  }
  if (event.user.empty()) event.user = uid;
  return result;
}

}  // namespace report
