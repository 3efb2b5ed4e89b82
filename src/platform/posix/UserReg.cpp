// Reading user.reg, the file in which a Wine prefix keeps HKEY_CURRENT_USER. The
// file is a header line, then keys: a line "[path]" names a key, and the lines
// after it, up to the next key, are its values ("name"=data, or @=data for the
// default value). The registry loads the file line by line, acts on the first
// non-blank character of each line and skips what it cannot use; this reader
// does the same, so that a hand-edited or damaged file gives the values a
// Windows program in that prefix would see.
#include "platform/posix/UserReg.h"

#include <array>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/posix/FoldCase.h"

namespace platform::posix {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Blanks are the C locale's white space.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Hex digit values by byte, -1 for every other byte: hex data is most of a large file.
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
  std::array<std::int8_t, 256> digits{};
  for (int c = 0; c < 256; ++c) {
    digits[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c >= '0' && c <= '9'   ? c - '0'
                                                                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                                          : -1);
  }
  return digits;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

// The one-letter escapes in quoted text, as in C, and the units they stand for.
constexpr std::string_view kEscapeLetters = "abefnrtv";
constexpr std::array<char16_t, 8> kEscapeUnits = {0x07, 0x08, 0x1B, 0x0C, 0x0A, 0x0D, 0x09, 0x0B};

bool IsHexDigit(char c) { return HexDigit(c) >= 0; }

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& unit : out) unit = FoldCase(unit);
  return out;
}

// Appends `path` in normal form: split on "\" (dropping empty elements: a run of
// separators counts as one) and case folded.
void AppendNormalPath(std::u16string_view path, std::u16string& out) {
  const std::size_t start = out.size();
  bool pendingSeparator = false;
  for (const char16_t unit : path) {
    if (unit == u'\\') {
      pendingSeparator = out.size() != start;
      continue;
    }
    if (pendingSeparator) out += u'\\';
    pendingSeparator = false;
    out += FoldCase(unit);
  }
}

// A number in base 16 on [pos, end), read as the C library's strtoul reads it,
// which is how dword data and the N of hex(N) are read: blanks, a sign and "0x"
// are allowed, overflow gives all ones. `*after` is `pos` when there are no digits.
std::uint64_t StrToUl16(std::string_view text, std::size_t pos, std::size_t end, std::size_t* after) {
  std::size_t q = pos;
  while (q < end && IsSpace(text[q])) ++q;
  bool negative = false;
  if (q < end && (text[q] == '+' || text[q] == '-')) negative = text[q++] == '-';
  if (end - q >= 3 && text[q] == '0' && (text[q + 1] == 'x' || text[q + 1] == 'X') && IsHexDigit(text[q + 2])) {
    q += 2;
  }
  const std::size_t digits = q;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; q < end && IsHexDigit(text[q]); ++q) {
    if (value >> 60) overflow = true;
    value = value * 16 + static_cast<std::uint64_t>(HexDigit(text[q]));
  }
  if (q == digits) {
    *after = pos;
    return 0;
  }
  *after = q;
  if (overflow) return ~std::uint64_t{0};
  return negative ? ~value + 1 : value;
}

// Comma-separated hex bytes ("xx", or any number strtoul reads, with blanks
// around the commas) up to the first thing that is none. Returns the position
// after them, or kNone for a number above 0xff.
std::size_t ParseHex(std::string_view text, std::size_t pos, std::size_t end, std::string* out) {
  while (pos < end && IsHexDigit(text[pos])) {
    std::size_t after = pos + 2;
    std::uint64_t value = 0;
    if (end - pos >= 2 && IsHexDigit(text[pos + 1]) && (after == end || !IsHexDigit(text[after]))) {
      // The usual "xx".
      value =
          static_cast<std::uint64_t>(HexDigit(text[pos])) * 16 + static_cast<std::uint64_t>(HexDigit(text[pos + 1]));
    } else {
      value = StrToUl16(text, pos, end, &after);
      if (value > 0xff) return kNone;
    }
    if (out) *out += static_cast<char>(value);
    pos = after;
    while (pos < end && IsSpace(text[pos])) ++pos;
    if (pos < end && text[pos] == ',') ++pos;
    while (pos < end && IsSpace(text[pos])) ++pos;
  }
  return pos;
}

bool StartsWith(std::string_view text, std::size_t pos, std::size_t end, std::string_view prefix) {
  return end - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

// How a value's data is written after "=": a prefix naming its type and form.
enum class Form { String, Dword, Hex, Unknown };
struct DataPrefix {
  std::string_view prefix;
  std::uint32_t type;
  Form form;
};
constexpr std::array<DataPrefix, 6> kDataPrefixes{{
    {"\"", 1, Form::String},         // REG_SZ
    {"str:\"", 1, Form::String},     // REG_SZ
    {"str(2):\"", 2, Form::String},  // REG_EXPAND_SZ
    {"str(7):\"", 7, Form::String},  // REG_MULTI_SZ
    {"hex:", 3, Form::Hex},          // REG_BINARY
    {"dword:", 4, Form::Dword},      // REG_DWORD
}};
// Besides these, "hex(N):" gives hex data of any type N (in hex).

}  // namespace

// One line of the file: without the "\n" and one "\r" before it, and ending at a
// NUL byte, past which the registry reads nothing of the line.
struct UserReg::Line {
  std::size_t begin;
  std::size_t end;   // end of the usable content
  std::size_t next;  // start of the following line
};

UserReg::Line UserReg::LineAt(std::size_t pos) const {
  const char* base = text_.data();
  const std::size_t size = text_.size();
  const void* newline = std::memchr(base + pos, '\n', size - pos);
  const std::size_t lineEnd = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - base) : size;
  Line line{pos, lineEnd, newline ? lineEnd + 1 : size};
  const void* nul = hasNul_ ? std::memchr(base + pos, '\0', lineEnd - pos) : nullptr;
  if (nul) {
    line.end = static_cast<std::size_t>(static_cast<const char*>(nul) - base);
  } else if (newline && line.end > pos && text_[line.end - 1] == '\r') {
    --line.end;
  }
  return line;
}

std::size_t UserReg::SkipSpaces(std::size_t pos, std::size_t end) const {
  while (pos < end && IsSpace(text_[pos])) ++pos;
  return pos;
}

// Unescapes up to the first unescaped `delimiter` and returns the position after
// it, or kNone when the line ends first. With `out` null it only finds the end.
std::size_t UserReg::ParseString(std::size_t pos, std::size_t end, char delimiter, std::u16string* out) const {
  auto emit = [out](std::uint32_t unit) {
    if (out) *out += static_cast<char16_t>(unit);
  };
  while (pos < end && text_[pos] != delimiter) {
    const auto c = static_cast<unsigned char>(text_[pos]);
    if (c == '\\') {
      if (++pos >= end) return kNone;
      const char e = text_[pos++];
      if (const std::size_t letter = kEscapeLetters.find(e); letter != std::string_view::npos) {
        emit(kEscapeUnits[letter]);
      } else if (e == 'x') {
        // One to four hex digits make one unit; "\x" before anything else is "x".
        std::uint32_t unit = 0;
        int digits = 0;
        for (; digits < 4 && pos < end && IsHexDigit(text_[pos]); ++digits, ++pos) {
          unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(text_[pos]));
        }
        emit(digits == 0 ? 'x' : unit);
      } else if (e >= '0' && e <= '7') {
        // One to three octal digits make one unit.
        std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
        for (int i = 0; i < 2 && pos < end && text_[pos] >= '0' && text_[pos] <= '7'; ++i, ++pos) {
          unit = unit * 8 + static_cast<std::uint32_t>(text_[pos] - '0');
        }
        emit(unit);
      } else {
        emit(static_cast<unsigned char>(e));  // any other character stands for itself
      }
      continue;
    }
    if (c < 0x80) {
      emit(c);
      ++pos;
      continue;
    }
    // Raw bytes from 0x80 up are UTF-8; an invalid sequence is dropped.
    const char32_t cp = DecodeUtf8(text_.substr(0, end), pos);
    if (cp == kInvalidUtf8) continue;
    if (cp >= 0x10000) {
      emit(0xD800 + ((cp - 0x10000) >> 10));
      emit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      emit(cp);
    }
  }
  return pos < end ? pos + 1 : kNone;
}

struct UserReg::ValueStart {
  std::uint32_t type;
  Form form;         // Unknown: the value exists, typeless and empty
  std::size_t data;  // where the data starts
};

// Reads a value line up to its data: the name (into `name` when given), "=" and
// the data's prefix. Empty when the line creates no value.
std::optional<UserReg::ValueStart> UserReg::ReadValueStart(const Line& line, std::u16string* name) const {
  std::size_t p = SkipSpaces(line.begin, line.end);
  if (text_[p] == '@') {
    ++p;
  } else {
    p = ParseString(p + 1, line.end, '"', name);
    if (p == kNone) return std::nullopt;  // a broken name creates no value
  }
  p = SkipSpaces(p, line.end);
  if (p >= line.end || text_[p] != '=') return std::nullopt;
  p = SkipSpaces(p + 1, line.end);

  for (const DataPrefix& known : kDataPrefixes) {
    if (StartsWith(text_, p, line.end, known.prefix))
      return ValueStart{known.type, known.form, p + known.prefix.size()};
  }
  if (StartsWith(text_, p, line.end, "hex(")) {
    std::size_t after = p + 4;
    const auto type = static_cast<std::uint32_t>(StrToUl16(text_, p + 4, line.end, &after));
    if (StartsWith(text_, after, line.end, "):")) return ValueStart{type, Form::Hex, after + 2};
  }
  return ValueStart{0, Form::Unknown, line.end};
}

// Reads hex data from `pos` of `line` on, following each "\" to the next line,
// into `out` when given. Returns where the line after the data starts; `*good`
// tells whether the data could be read.
std::size_t UserReg::ReadHex(Line line, std::size_t pos, std::string* out, bool* good) const {
  for (;;) {
    pos = ParseHex(text_, pos, line.end, out);
    *good = pos != kNone;
    if (!*good) return line.next;
    pos = SkipSpaces(pos, line.end);
    if (pos == line.end) return line.next;
    // A "\" continues on the next line, whatever follows it on this one.
    *good = text_[pos] == '\\' && line.next < text_.size();
    if (!*good) return line.next;
    line = LineAt(line.next);
    pos = SkipSpaces(line.begin, line.end);
  }
}

// Where the line after the value of `line` starts, without decoding it: only hex
// data goes on over more lines.
std::size_t UserReg::SkipValue(const Line& line) const {
  const std::optional<ValueStart> start = ReadValueStart(line, nullptr);
  if (!start || start->form != Form::Hex) return line.next;
  bool good = false;
  return ReadHex(line, start->data, nullptr, &good);
}

// Decodes the value of `line` into `*out` (left empty when the line creates none)
// and returns where the next line starts. Data that cannot be read leaves the
// value typeless and empty.
std::size_t UserReg::ReadValue(const Line& line, std::optional<Value>* out) const {
  std::u16string name;
  const std::optional<ValueStart> start = ReadValueStart(line, &name);
  if (!start) return line.next;
  Value& value = out->emplace();
  value.foldedName = FoldName(name);
  value.value.type = start->type;
  std::string& data = value.value.data;
  bool good = false;
  std::size_t next = line.next;
  switch (start->form) {
    case Form::String: {
      std::u16string units;
      good = ParseString(start->data, line.end, '"', &units) != kNone;
      units += u'\0';  // the stored string always ends in one NUL
      data = ToUtf16Le(units);
      break;
    }
    case Form::Dword: {
      std::size_t after = start->data;
      const auto dword = static_cast<std::uint32_t>(StrToUl16(text_, start->data, line.end, &after));
      for (int i = 0; i < 4; ++i) data += static_cast<char>((dword >> (8 * i)) & 0xFF);
      good = true;
      break;
    }
    case Form::Hex:
      next = ReadHex(line, start->data, &data, &good);
      break;
    case Form::Unknown:
      break;
  }
  if (!good) value.value = {};
  return next;
}

UserReg::UserReg(std::string text) : ownedText_(std::move(text)) {
  text_ = ownedText_;
  Parse();
}

UserReg::UserReg(std::shared_ptr<const char> bytes, std::size_t size) : ownedBytes_(std::move(bytes)) {
  text_ = std::string_view(ownedBytes_.get(), size);
  Parse();
}

// Finds every key and the lines of its values. Each key's path goes into the
// index; its values are left as they are in the text.
void UserReg::Parse() {
  // No key's path in normal form is longer than the text it was read from.
  paths_.reserve(text_.size());
  AddKey(u"");  // the root
  if (text_.empty()) return;
  hasNul_ = std::memchr(text_.data(), '\0', text_.size()) != nullptr;
  const Line header = LineAt(0);
  if (text_.substr(header.begin, header.end - header.begin) != kHeader) {
    text_ = {};
    return;
  }

  std::optional<KeyId> current;  // empty before the first key and after a broken key line
  std::size_t blockStart = 0;
  auto closeBlock = [&](std::size_t end) {
    if (current && end > blockStart) keys_[*current].push_back({blockStart, end});
  };
  std::u16string path;
  std::size_t pos = header.next;
  while (pos < text_.size()) {
    const Line line = LineAt(pos);
    pos = line.next;
    const std::size_t p = SkipSpaces(line.begin, line.end);
    if (p == line.end) continue;
    switch (text_[p]) {
      case '[':
        closeBlock(line.begin);
        path.clear();
        current = ParseString(p + 1, line.end, ']', &path) == kNone ? std::nullopt : AddKey(path);
        blockStart = line.next;
        break;
      case '"':
      case '@':
        // Only hex data goes on over lines, and only after a "\".
        if (current && std::memchr(text_.data() + p, '\\', line.end - p)) pos = SkipValue(line);
        break;
      case '#':
        // Before the first key, "#arch=" names the prefix's architecture; any other
        // architecture makes the registry stop reading the file.
        if (!current && StartsWith(text_, p, line.end, "#arch=")) {
          const std::string_view arch(text_.data() + p + 6, line.end - p - 6);
          if (arch != "win32" && arch != "win64") return;
        }
        break;
      default:
        break;  // comments and unrecognised input
    }
  }
  closeBlock(text_.size());
}

// Indexes the key at `escapedPath` (as the header wrote it, unescaped) and the
// ancestors it implies, which the file names only when they hold values.
std::optional<UserReg::KeyId> UserReg::AddKey(std::u16string_view escapedPath) {
  const std::size_t begin = paths_.size();
  AppendNormalPath(escapedPath, paths_);
  const std::u16string_view normal(paths_.data() + begin, paths_.size() - begin);
  const auto [entry, added] = keyIds_.emplace(normal, keys_.size());
  if (!added) {
    paths_.resize(begin);
    return entry->second;
  }
  const KeyId id = entry->second;
  keys_.emplace_back();
  for (std::size_t cut = normal.rfind(u'\\'); cut != std::u16string_view::npos; cut = normal.rfind(u'\\', cut - 1)) {
    if (!keyIds_.emplace(normal.substr(0, cut), keys_.size()).second) break;
    keys_.emplace_back();
    if (cut == 0) break;
  }
  return id;
}

std::optional<UserReg::KeyId> UserReg::FindKey(std::u16string_view path) const {
  std::u16string normal;
  AppendNormalPath(path, normal);
  const auto found = keyIds_.find(normal);
  if (found == keyIds_.end()) return std::nullopt;
  return found->second;
}

std::vector<UserReg::Value> UserReg::LoadValues(KeyId key) const {
  std::vector<Value> values;
  std::unordered_map<std::u16string, std::size_t> byName;
  for (const Block& block : keys_[key]) {
    for (std::size_t pos = block.begin; pos < block.end;) {
      const Line line = LineAt(pos);
      pos = line.next;
      const std::size_t p = SkipSpaces(line.begin, line.end);
      if (p == line.end || (text_[p] != '"' && text_[p] != '@')) continue;
      std::optional<Value> value;
      pos = ReadValue(line, &value);
      if (!value) continue;
      // A repeated name replaces the data of the first one.
      const auto [slot, added] = byName.emplace(value->foldedName, values.size());
      if (added) {
        values.push_back(std::move(*value));
      } else {
        values[slot->second].value = std::move(value->value);
      }
    }
  }
  return values;
}

const UserRegValue* UserReg::FindValue(KeyId key, std::u16string_view name) {
  if (key >= keys_.size()) return nullptr;
  const auto [entry, added] = values_.try_emplace(key);
  if (added) entry->second = LoadValues(key);
  const std::u16string folded = FoldName(name);
  for (const Value& value : entry->second) {
    if (value.foldedName == folded) return &value.value;
  }
  return nullptr;
}

std::string KeysUnder(std::string_view text, std::string_view escapedPrefix) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  auto begins = [&](std::size_t pos) {
    if (text.size() - pos < escapedPrefix.size()) return false;
    for (std::size_t i = 0; i < escapedPrefix.size(); ++i)
      if (lower(text[pos + i]) != lower(escapedPrefix[i])) return false;
    return true;
  };
  // Where the key line whose "[" is at or after `from` starts, or the end. Only
  // key lines start with "[" (after blanks), so only the "["s need a look: a
  // system.reg of megabytes holds a few thousand.
  auto nextKey = [&](std::size_t from) {
    while (from < text.size()) {
      const void* found = std::memchr(text.data() + from, '[', text.size() - from);
      if (found == nullptr) break;
      const auto bracket = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
      std::size_t start = bracket;
      while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
      if (start == 0 || text[start - 1] == '\n') return start;
      from = bracket + 1;
    }
    return text.size();
  };
  std::size_t key = nextKey(0);
  std::string kept(text.substr(0, key));  // the header and the architecture
  while (key < text.size()) {
    const std::size_t next = nextKey(text.find('[', key) + 1);
    if (begins(text.find('[', key) + 1)) kept += text.substr(key, next - key);
    key = next;
  }
  return kept;
}

}  // namespace platform::posix
