// Exported events arriving in pieces, split into records.
#include <algorithm>

#include "report/Events.h"
#include "report/Text.h"

namespace report {
namespace {

constexpr std::size_t kPlacesKept = 5;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Where the next `<Event` element opens at or after `from` (not <EventData>, ...).
std::size_t NextElement(std::string_view text, std::size_t from) {
  for (std::size_t pos = text.find("<Event", from); pos != std::string_view::npos; pos = text.find("<Event", pos + 1)) {
    if (pos + 6 >= text.size()) return pos;  // not known yet: wait for more
    const char after = text[pos + 6];
    if (after == ' ' || after == '>' || after == '\t' || after == '\r' || after == '\n') return pos;
  }
  return std::string_view::npos;
}

}  // namespace

void EventStream::Begin(std::string name) {
  name_ = std::move(name);
  kind_ = Kind::Unknown;
  encoding_ = Encoding::Unknown;
  raw_.clear();
  highSurrogate_ = 0;
  pending_.clear();
  skipping_ = false;
  line_ = 1;
}

void EventStream::CountMalformed(std::uint64_t line) {
  ++malformed_;
  if (places_.size() < kPlacesKept) places_.push_back(name_ + ":" + std::to_string(line));
}

void EventStream::Take(std::string_view record, std::uint64_t line) {
  if (record.size() > kLongestRecord) {
    CountMalformed(line);  // whether it came whole or not, as the limit says
    return;
  }
  Event event;
  Record read = Record::Other;
  switch (kind_) {
    case Kind::Xml:
      read = ReadEventXml(record, event);
      break;
    case Kind::Json:
      read = ReadJournalJson(record, event);
      break;
    default:
      read = ReadSyslogLine(record, now_, event);
  }
  if (read == Record::Malformed) CountMalformed(line);
  if (read != Record::Ours) return;
  ++events_;
  take_(event);
}

void EventStream::TakeLines(bool atEnd) {
  std::size_t start = 0;
  while (start < pending_.size()) {
    std::size_t end = pending_.find('\n', start);
    if (end == std::string::npos) {
      if (!atEnd) break;
      end = pending_.size();  // the last line, without its line break
    }
    std::string_view line(pending_.data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (skipping_)
      skipping_ = false;
    else
      Take(line, line_);
    ++line_;
    start = end + 1;
  }
  pending_.erase(0, std::min(start, pending_.size()));
  if (pending_.size() > kLongestRecord) {
    if (!skipping_) CountMalformed(line_);
    skipping_ = true;
    pending_.clear();
  }
}

void EventStream::TakeElements(bool atEnd) {
  std::size_t done = 0;
  std::size_t counted = 0;  // lines are counted up to here
  auto countTo = [&](std::size_t pos) {
    line_ += static_cast<std::uint64_t>(std::count(pending_.begin() + static_cast<std::ptrdiff_t>(counted),
                                                   pending_.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
    counted = pos;
  };
  for (;;) {
    const std::size_t start = NextElement(pending_, done);
    if (start == std::string::npos) {
      // Nothing opens here; keep what could be the start of "<Event".
      done = std::max(done, pending_.size() > 6 ? pending_.size() - 6 : 0);
      break;
    }
    countTo(start);
    done = start;
    const std::size_t close = pending_.find("</Event>", start);
    if (close == std::string::npos) {
      if (pending_.size() - start <= kLongestRecord && !atEnd) break;
      CountMalformed(line_);  // cut short or too long: passed over up to the next one
      done = start + 1;
      continue;
    }
    done = close + 8;
    Take(std::string_view(pending_).substr(start, done - start), line_);
  }
  if (atEnd) done = pending_.size();
  countTo(done);
  pending_.erase(0, done);
}

// The kind of the input, from its first bytes: JSON objects, XML elements, or
// syslog lines. Undecided (false) while too little has come to tell.
bool EventStream::Decide(bool atEnd) {
  if (pending_.starts_with(kBom)) pending_.erase(0, kBom.size());
  const std::size_t first = pending_.find_first_not_of(" \t\r\n");
  const bool enough = atEnd || pending_.size() >= 4096;
  if (first != std::string::npos && pending_[first] == '{') {
    kind_ = Kind::Json;
  } else if (first != std::string::npos && pending_[first] == '<' && first + 1 < pending_.size() &&
             (pending_[first + 1] < '0' || pending_[first + 1] > '9')) {
    kind_ = Kind::Xml;
  } else if (NextElement(std::string_view(pending_).substr(0, 4096), 0) != std::string::npos) {
    kind_ = Kind::Xml;  // after a tool's header (evtxexport prints one)
  } else if (enough) {
    kind_ = Kind::Syslog;
  }
  return kind_ != Kind::Unknown;
}

std::string_view EventStream::Decoded(std::string_view piece) {
  if (encoding_ == Encoding::Utf8) return piece;
  raw_.append(piece);
  if (encoding_ == Encoding::Unknown) {
    if (raw_.size() < 2) return {};
    if (raw_.starts_with("\xFF\xFE") || raw_.starts_with("\xFE\xFF")) {
      encoding_ = raw_[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
      raw_.erase(0, 2);
    } else {
      encoding_ = Encoding::Utf8;
      decoded_.swap(raw_);
      raw_.clear();
      return decoded_;
    }
  }
  decoded_.clear();
  const int first = encoding_ == Encoding::Utf16Le ? 0 : 8;
  std::size_t at = 0;
  for (; at + 1 < raw_.size(); at += 2) {
    const std::uint32_t unit = static_cast<std::uint32_t>(static_cast<unsigned char>(raw_[at])) << first |
                               static_cast<std::uint32_t>(static_cast<unsigned char>(raw_[at + 1])) << (8 - first);
    if (highSurrogate_ != 0) {
      const bool low = unit >= 0xDC00 && unit < 0xE000;
      AppendUtf8(decoded_, low ? 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
      highSurrogate_ = 0;
      if (low) continue;
    }
    if (unit >= 0xD800 && unit < 0xDC00)
      highSurrogate_ = unit;
    else
      AppendUtf8(decoded_, unit);  // a lone low surrogate becomes U+FFFD
  }
  raw_.erase(0, at);
  return decoded_;
}

void EventStream::Feed(std::string_view piece) {
  pending_.append(Decoded(piece));
  if (kind_ == Kind::Unknown && !Decide(false)) return;
  if (kind_ == Kind::Xml)
    TakeElements(false);
  else
    TakeLines(false);
}

void EventStream::End() {
  if (encoding_ == Encoding::Unknown) pending_.append(raw_);  // a byte alone
  if (kind_ == Kind::Unknown) Decide(true);
  if (kind_ == Kind::Xml)
    TakeElements(true);
  else
    TakeLines(true);
  pending_.clear();
}

}  // namespace report
