#include "platform/emulation/IniText.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/ProfileString.h"

namespace platform::ini {
namespace {

// No blank can be the second byte of a double-byte character, so trimming needs no
// decoding.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimFront(std::string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Whether `c` starts a double-byte character of text in `encoding`.
bool StartsPair(char c, Encoding encoding) {
  return encoding == Encoding::Cp932 && IsAnsiLeadByte(static_cast<unsigned char>(c));
}

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// ASCII letters match in either case; a double-byte character must match exactly,
// even where its second byte happens to be a letter (ア is 83 41, ヂ is 83 61).
bool NamesEqual(std::string_view a, std::string_view b, Encoding encoding) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (StartsPair(a[i], encoding) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Position of the last single-byte ']' in `s`, or npos.
std::size_t LastClosingBracket(std::string_view s, Encoding encoding) {
  std::size_t found = s.npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (StartsPair(s[i], encoding) && i + 1 < s.size()) {
      ++i;
    } else if (s[i] == ']') {
      found = i;
    }
  }
  return found;
}

enum class Kind { Blank, Comment, Header, Entry, Other };

// One line of the text: content [begin, end), line end [end, next).
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  Kind kind = Kind::Blank;
  std::string_view name;       // section of a header, key of an entry
  std::size_t valueBegin = 0;  // an entry's value between its blanks, quotes included
  std::size_t valueEnd = 0;
};

// A CR LF pair is one line end; a lone CR or LF is one too.
Line ReadLine(std::string_view text, std::size_t begin, Encoding encoding) {
  Line line;
  line.begin = begin;
  // find_if, not find_first_of, which searches the set once per byte.
  const auto end = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(begin), text.end(),
                                [](char c) { return c == '\r' || c == '\n'; });
  line.end = static_cast<std::size_t>(end - text.begin());
  line.next = line.end;
  if (line.next < text.size()) {
    line.next += text.compare(line.next, 2, "\r\n") == 0 ? 2u : 1u;
  }
  const std::string_view raw = text.substr(begin, line.end - begin);
  const std::string_view content = Trim(raw);
  if (content.empty()) return line;
  if (content.front() == ';') {
    line.kind = Kind::Comment;
    return line;
  }
  if (content.front() == '[') {
    const std::size_t close = LastClosingBracket(content, encoding);
    if (close != content.npos) {
      line.kind = Kind::Header;
      line.name = Trim(content.substr(1, close - 1));
      return line;
    }
  }
  const std::size_t equals = content.find('=');
  if (equals == content.npos) {
    line.kind = Kind::Other;
    return line;
  }
  line.kind = Kind::Entry;
  line.name = Trim(content.substr(0, equals));
  const std::string_view value = Trim(content.substr(equals + 1));
  const std::size_t contentBegin = begin + static_cast<std::size_t>(content.data() - raw.data());
  line.valueBegin =
      value.empty() ? contentBegin + content.size() : begin + static_cast<std::size_t>(value.data() - raw.data());
  line.valueEnd = line.valueBegin + value.size();
  return line;
}

std::string_view FirstLineEnd(std::string_view text) {
  const std::size_t end = text.find_first_of("\r\n");
  if (end == text.npos) return "\r\n";
  return text.compare(end, 2, "\r\n") == 0 ? text.substr(end, 2) : text.substr(end, 1);
}

}  // namespace

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key,
                                          Encoding encoding) {
  section = Trim(section);
  key = Trim(key);
  bool inSection = false;
  bool seen = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = ReadLine(text, pos, encoding);
    pos = line.next;
    if (line.kind == Kind::Header) {
      // Only the first of sections with the same name is searched.
      if (inSection) return std::nullopt;
      inSection = !seen && NamesEqual(line.name, section, encoding);
      seen = seen || inSection;
    } else if (inSection && line.kind == Kind::Entry && NamesEqual(line.name, key, encoding)) {
      return StripQuotes(text.substr(line.valueBegin, line.valueEnd - line.valueBegin));
    }
  }
  return std::nullopt;
}

namespace {

// A name as NamesEqual compares it: ASCII letters in upper case, double-byte
// characters as they are.
void AppendFolded(std::string& out, std::string_view name, Encoding encoding) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (StartsPair(name[i], encoding) && i + 1 < name.size()) {
      out += name[i];
      out += name[++i];
    } else {
      out += FoldAscii(name[i]);
    }
  }
}

std::string Folded(std::string_view name, Encoding encoding) {
  std::string folded;
  AppendFolded(folded, name, encoding);
  return folded;
}

}  // namespace

std::optional<std::string_view> IniIndex::Find(std::string_view section, std::string_view key) {
  section = Trim(section);
  auto [place, added] = sections_.try_emplace(Folded(section, encoding_));
  if (added) {
    bool inSection = false;
    for (std::size_t pos = 0; pos < text_.size();) {
      const Line line = ReadLine(text_, pos, encoding_);
      pos = line.next;
      if (line.kind == Kind::Header) {
        // Only the first of sections with the same name counts.
        if (inSection) break;
        inSection = NamesEqual(line.name, section, encoding_);
      } else if (inSection && line.kind == Kind::Entry) {
        // So does the first of duplicate keys.
        place->second.emplace(Folded(line.name, encoding_),
                              StripQuotes(text_.substr(line.valueBegin, line.valueEnd - line.valueBegin)));
      }
    }
  }
  const auto found = place->second.find(Folded(Trim(key), encoding_));
  if (found == place->second.end()) return std::nullopt;
  return found->second;
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value,
                     Encoding encoding) {
  section = Trim(section);
  key = Trim(key);
  value = TrimFront(value);
  const std::string_view eol = FirstLineEnd(text);
  const std::string entry = std::string(key) + "=" + std::string(value);

  bool inSection = false;
  std::optional<Line> last;  // the section's last non-blank line so far
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = ReadLine(text, pos, encoding);
    pos = line.next;
    if (line.kind == Kind::Header) {
      if (inSection) break;
      if (NamesEqual(line.name, section, encoding)) {
        inSection = true;
        last = line;
      }
    } else if (inSection) {
      if (line.kind == Kind::Entry && NamesEqual(line.name, key, encoding)) {
        if (text.substr(line.valueBegin, line.valueEnd - line.valueBegin) == value) return std::string(text);
        std::string out(text.substr(0, line.valueBegin));
        out += value;
        out += text.substr(line.valueEnd);
        return out;
      }
      if (line.kind != Kind::Blank) last = line;
    }
  }

  std::string out;
  if (last) {
    // A last line without a line end gets one before the new line.
    const bool ended = last->next > last->end;
    const std::size_t at = ended ? last->next : last->end;
    out.reserve(text.size() + entry.size() + 4);
    out += text.substr(0, at);
    if (!ended) out += eol;
    out += entry;
    out += eol;
    out += text.substr(at);
    return out;
  }
  out = text;
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
  out += "[";
  out += section;
  out += "]";
  out += eol;
  out += entry;
  out += eol;
  return out;
}

std::string_view CleanDefault(std::string_view defaultValue) {
  while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
  return StripQuotes(defaultValue);
}

std::size_t CopyCut(std::string_view value, char* buffer, std::size_t size) {
  if (size == 0) return 0;
  std::size_t length = 0;
  // Walk whole characters: a trail byte can look like a lead byte.
  while (length < value.size()) {
    const std::size_t step =
        IsAnsiLeadByte(static_cast<unsigned char>(value[length])) && length + 1 < value.size() ? 2 : 1;
    if (length + step > size - 1) break;
    length += step;
  }
  std::memcpy(buffer, value.data(), length);
  buffer[length] = '\0';
  return length;
}

namespace {

// Where the character that starts `utf8Offset` bytes into the UTF-8 reading of the
// UTF-16LE `bytes` (as Utf16LeToUtf8 reads them) starts in `bytes`.
std::size_t Utf16Offset(std::string_view bytes, std::size_t utf8Offset) {
  const std::u16string units = FromUtf16Le(bytes);
  std::size_t at = 0;
  for (std::size_t read = 0; read < utf8Offset && at < units.size();) {
    const char16_t unit = units[at];
    const bool pair =
        unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 && units[at + 1] <= 0xDFFF;
    if (pair) {
      read += 4;
      at += 2;
      continue;
    }
    read += unit < 0x80 ? 1 : (unit < 0x800 ? 2 : 3);  // an unpaired surrogate reads as U+FFFD (3 bytes)
    ++at;
  }
  return at * 2;
}

}  // namespace

// A file that starts with the UTF-16LE byte order mark is a Unicode file, as the
// Windows service treats it.
constexpr std::string_view kUtf16Bom = "\xff\xfe";

bool IsUtf16File(std::string_view bytes) { return bytes.starts_with(kUtf16Bom); }

std::string Utf16FileText(std::string_view bytes) { return Utf16LeToUtf8(bytes.substr(kUtf16Bom.size())); }

std::string EditedUtf16File(std::string_view bytes, std::string_view text, std::string_view updated) {
  auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  std::size_t head = 0;
  while (head < text.size() && head < updated.size() && text[head] == updated[head]) ++head;
  while (head > 0 &&
         ((head < text.size() && continues(text[head])) || (head < updated.size() && continues(updated[head])))) {
    --head;
  }
  std::size_t tail = 0;
  while (tail < text.size() - head && tail < updated.size() - head &&
         text[text.size() - 1 - tail] == updated[updated.size() - 1 - tail]) {
    ++tail;
  }
  while (tail > 0 && continues(text[text.size() - tail])) --tail;
  const std::string_view units = bytes.substr(kUtf16Bom.size());
  const std::size_t from = Utf16Offset(units, head);
  const std::size_t to = Utf16Offset(units, text.size() - tail);
  return std::string(bytes.substr(0, kUtf16Bom.size() + from)) +
         Utf8ToUtf16Le(updated.substr(head, updated.size() - tail - head)) + std::string(units.substr(to));
}

}  // namespace platform::ini
