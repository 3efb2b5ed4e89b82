// Reading user.reg as the Wine server loads it. The server reads the file line by
// line, acts on the first non-blank character of each line and skips what it
// cannot use; this reader does the same, so that a hand-edited or damaged file
// gives the values a Windows program in that prefix would see.
#include "platform/posix/UserReg.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "platform/posix/FoldCase.h"

namespace platform::posix {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// The C locale's classes, which are what the server uses.
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

bool IsHexDigit(char c) { return HexDigit(c) >= 0; }

void AppendUnits(std::string& bytes, const std::u16string& units) {
  bytes.reserve(bytes.size() + units.size() * 2);
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
}

// FNV-1a over UTF-16 units: the hash of a path extends the hash of each of its
// ancestors, so one pass over a key's path hashes them all.
constexpr std::uint64_t kHashBasis = 0xcbf29ce484222325;
std::uint64_t HashUnit(std::uint64_t hash, char16_t unit) { return (hash ^ unit) * 0x100000001b3; }

// Appends `path` to `out` in the form under which keys are indexed and looked up:
// split on "\" (dropping empty elements, as the server skips runs of
// separators) and case folded. Returns its hash; `ancestors` receives the length
// and hash of each proper prefix that ends an element.
template <class Units>
std::uint64_t Normalise(std::u16string_view path, Units& out,
                        std::vector<std::pair<std::size_t, std::uint64_t>>* ancestors) {
  const std::size_t start = out.size();
  std::uint64_t hash = kHashBasis;
  bool pendingSeparator = false;
  for (const char16_t unit : path) {
    if (unit == u'\\') {
      pendingSeparator = out.size() != start;
      continue;
    }
    if (pendingSeparator) {
      if (ancestors) ancestors->emplace_back(out.size() - start, hash);
      out.push_back(u'\\');
      hash = HashUnit(hash, u'\\');
      pendingSeparator = false;
    }
    const char16_t folded = FoldCase(unit);
    out.push_back(folded);
    hash = HashUnit(hash, folded);
  }
  return hash;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& unit : out) unit = FoldCase(unit);
  return out;
}

}  // namespace

// One line of the file: the server drops the "\n" and one "\r" before it, and
// sees nothing past a NUL byte.
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
      switch (e) {
        case 'a':
          emit(0x07);
          break;
        case 'b':
          emit(0x08);
          break;
        case 'e':
          emit(0x1B);
          break;
        case 'f':
          emit(0x0C);
          break;
        case 'n':
          emit(0x0A);
          break;
        case 'r':
          emit(0x0D);
          break;
        case 't':
          emit(0x09);
          break;
        case 'v':
          emit(0x0B);
          break;
        case 'x': {
          // One to four hex digits make one unit; "\x" before anything else is "x".
          if (pos >= end || !IsHexDigit(text_[pos])) {
            emit('x');
            break;
          }
          std::uint32_t unit = 0;
          for (int i = 0; i < 4 && pos < end && IsHexDigit(text_[pos]); ++i, ++pos) {
            unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(text_[pos]));
          }
          emit(unit);
          break;
        }
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {
          std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
          for (int i = 0; i < 2 && pos < end && text_[pos] >= '0' && text_[pos] <= '7'; ++i, ++pos) {
            unit = unit * 8 + static_cast<std::uint32_t>(text_[pos] - '0');
          }
          emit(unit);
          break;
        }
        default:
          emit(static_cast<unsigned char>(e));
          break;
      }
      continue;
    }
    if (c < 0x80) {
      emit(c);
      ++pos;
      continue;
    }
    // Raw bytes from 0x80 up are UTF-8; an invalid sequence is dropped.
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if ((c & 0xE0) == 0xC0)
      length = 2, cp = c & 0x1Fu, minimum = 0x80;
    else if ((c & 0xF0) == 0xE0)
      length = 3, cp = c & 0x0Fu, minimum = 0x800;
    else if ((c & 0xF8) == 0xF0)
      length = 4, cp = c & 0x07u, minimum = 0x10000;
    bool valid = length != 0 && end - pos >= length;
    for (std::size_t i = 1; valid && i < length; ++i) {
      const auto next = static_cast<unsigned char>(text_[pos + i]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      ++pos;
      continue;
    }
    pos += length;
    if (cp >= 0x10000) {
      emit(0xD800 + ((cp - 0x10000) >> 10));
      emit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      emit(cp);
    }
  }
  return pos < end ? pos + 1 : kNone;
}

namespace {

// The C library's strtoul in base 16 on [pos, end), which the server uses for
// dword data and hex(N) types: blanks, a sign and "0x" are allowed, overflow gives
// all ones. `*after` is `pos` when there are no digits.
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

// Comma-separated hex bytes, as the server's parse_hex reads them. Returns the
// position after them, or kNone for a number above 0xff.
std::size_t ParseHex(std::string_view text, std::size_t pos, std::size_t end, std::string* out) {
  while (pos < end && IsHexDigit(text[pos])) {
    std::size_t after = pos + 2;
    std::uint64_t value = 0;
    if (end - pos >= 2 && IsHexDigit(text[pos + 1]) && (after == end || !IsHexDigit(text[after]))) {
      // The usual "xx".
      value = static_cast<std::uint64_t>(HexDigit(text[pos])) * 16 + static_cast<std::uint64_t>(HexDigit(text[pos + 1]));
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

}  // namespace

// Reads the value whose line is `line` and returns where the next line starts
// (hex data may continue over several lines). `*out` is set when the line creates
// a value; with `decode` false nothing is decoded and only the extent is found.
std::size_t UserReg::ReadValue(const Line& line, bool decode, std::optional<Value>* out) const {
  const std::string_view text = text_;
  std::size_t p = SkipSpaces(line.begin, line.end);
  std::u16string name;
  if (text[p] == '@') {
    ++p;
  } else {
    p = ParseString(p + 1, line.end, '"', decode ? &name : nullptr);
    if (p == kNone) return line.next;  // a broken name creates no value
  }
  p = SkipSpaces(p, line.end);
  if (p >= line.end || text[p] != '=') return line.next;
  p = SkipSpaces(p + 1, line.end);

  // From here on the value exists; data that cannot be read leaves it typeless and empty.
  Value value;
  if (decode) value.foldedName = FoldName(name);
  auto finish = [&](std::size_t next, bool good) {
    if (!good) value.value = {};
    if (out) *out = std::move(value);
    return next;
  };

  std::uint32_t type = 0;
  std::size_t data = 0;
  enum class Form { String, Dword, Hex } form;
  if (StartsWith(text, p, line.end, "\"")) {
    type = kRegSz, form = Form::String, data = p + 1;
  } else if (StartsWith(text, p, line.end, "str:\"")) {
    type = kRegSz, form = Form::String, data = p + 5;
  } else if (StartsWith(text, p, line.end, "str(2):\"")) {
    type = kRegExpandSz, form = Form::String, data = p + 8;
  } else if (StartsWith(text, p, line.end, "str(7):\"")) {
    type = kRegMultiSz, form = Form::String, data = p + 8;
  } else if (StartsWith(text, p, line.end, "hex:")) {
    type = kRegBinary, form = Form::Hex, data = p + 4;
  } else if (StartsWith(text, p, line.end, "dword:")) {
    type = kRegDword, form = Form::Dword, data = p + 6;
  } else if (StartsWith(text, p, line.end, "hex(")) {
    std::size_t after = p + 4;
    type = static_cast<std::uint32_t>(StrToUl16(text, p + 4, line.end, &after));
    if (!StartsWith(text, after, line.end, "):")) return finish(line.next, false);
    form = Form::Hex, data = after + 2;
  } else {
    return finish(line.next, false);
  }
  value.value.type = type;

  switch (form) {
    case Form::String: {
      std::u16string units;
      if (ParseString(data, line.end, '"', decode ? &units : nullptr) == kNone) return finish(line.next, false);
      units += u'\0';  // the stored string always ends in one NUL
      if (decode) AppendUnits(value.value.data, units);
      return finish(line.next, true);
    }
    case Form::Dword: {
      std::size_t after = data;
      const auto dword = static_cast<std::uint32_t>(StrToUl16(text, data, line.end, &after));
      for (int i = 0; i < 4; ++i) value.value.data += static_cast<char>((dword >> (8 * i)) & 0xFF);
      return finish(line.next, true);
    }
    case Form::Hex: {
      Line current = line;
      std::size_t q = data;
      for (;;) {
        q = ParseHex(text, q, current.end, decode ? &value.value.data : nullptr);
        if (q == kNone) return finish(current.next, false);
        q = SkipSpaces(q, current.end);
        if (q == current.end) return finish(current.next, true);
        // A "\" continues on the next line, whatever follows it on this one.
        if (text[q] != '\\' || current.next >= text.size()) return finish(current.next, false);
        current = LineAt(current.next);
        q = SkipSpaces(current.begin, current.end);
      }
    }
  }
  return finish(line.next, false);
}

UserReg::UserReg(std::string text) : ownedText_(std::move(text)) {
  text_ = ownedText_;
  Parse();
}

UserReg::UserReg(std::shared_ptr<const char> bytes, std::size_t size) : ownedBytes_(std::move(bytes)) {
  text_ = std::string_view(ownedBytes_.get(), size);
  Parse();
}

void UserReg::Parse() {
  NewKey(kHashBasis, 0, 0);  // the root
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
    if (!current || end <= blockStart) return;
    Key& key = keys_[*current];
    const std::size_t block = blocks_.size();
    blocks_.push_back({blockStart, end, kNoBlock});
    (key.firstBlock == kNoBlock ? key.firstBlock : blocks_[key.lastBlock].next) = block;
    key.lastBlock = block;
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
        // Only hex data continues over lines, and only after a "\"; the values
        // themselves are decoded when their key is first read.
        if (current && std::memchr(text_.data() + p, '\\', line.end - p)) pos = ReadValue(line, false, nullptr);
        break;
      case '#':
        // Before the first key, "#arch=" names the prefix's architecture; any other
        // architecture makes the server stop reading the file.
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

std::optional<UserReg::KeyId> UserReg::AddKey(std::u16string_view path) {
  std::vector<std::pair<std::size_t, std::uint64_t>> ancestors;
  const std::size_t begin = paths_.size();
  const std::uint64_t hash = Normalise(path, paths_, &ancestors);
  const std::u16string_view normal(paths_.data() + begin, paths_.size() - begin);
  std::optional<KeyId> id = Lookup(hash, normal);
  // The table counts keys in 32 bits; a file with more than that names no more.
  if (id || keys_.size() + ancestors.size() + 1 >= std::numeric_limits<std::uint32_t>::max()) {
    paths_.resize(begin);
    return id;
  }
  id = NewKey(hash, begin, normal.size());
  // A key implies its ancestors, which the file names only when they hold values.
  for (auto ancestor = ancestors.rbegin(); ancestor != ancestors.rend(); ++ancestor) {
    const auto [length, ancestorHash] = *ancestor;
    if (Lookup(ancestorHash, normal.substr(0, length))) break;
    NewKey(ancestorHash, begin, length);
  }
  return id;
}

UserReg::KeyId UserReg::NewKey(std::uint64_t hash, std::size_t pathBegin, std::size_t pathLength) {
  if ((keys_.size() + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(1024, slots_.size() * 2));
  const KeyId id = keys_.size();
  keys_.push_back({hash, pathBegin, pathLength, kNoBlock, kNoBlock});
  std::size_t slot = hash & (slots_.size() - 1);
  while (slots_[slot] != 0) slot = (slot + 1) & (slots_.size() - 1);
  slots_[slot] = static_cast<std::uint32_t>(id + 1);
  return id;
}

void UserReg::Rehash(std::size_t slotCount) {
  slots_.assign(slotCount, 0);
  for (KeyId id = 0; id < keys_.size(); ++id) {
    std::size_t slot = keys_[id].hash & (slotCount - 1);
    while (slots_[slot] != 0) slot = (slot + 1) & (slotCount - 1);
    slots_[slot] = static_cast<std::uint32_t>(id + 1);
  }
}

std::optional<UserReg::KeyId> UserReg::Lookup(std::uint64_t hash, std::u16string_view normalPath) const {
  for (std::size_t slot = hash & (slots_.size() - 1); slots_[slot] != 0; slot = (slot + 1) & (slots_.size() - 1)) {
    const KeyId id = slots_[slot] - 1;
    const Key& key = keys_[id];
    if (key.hash == hash && std::u16string_view(paths_.data() + key.pathBegin, key.pathLength) == normalPath) {
      return id;
    }
  }
  return std::nullopt;
}

std::optional<UserReg::KeyId> UserReg::FindKey(std::u16string_view path) const {
  std::u16string normal;
  const std::uint64_t hash = Normalise(path, normal, nullptr);
  return Lookup(hash, normal);
}

std::vector<UserReg::Value> UserReg::LoadValues(const Key& key) const {
  std::vector<Value> values;
  std::unordered_map<std::u16string, std::size_t> byName;
  for (std::size_t block = key.firstBlock; block != kNoBlock; block = blocks_[block].next) {
    for (std::size_t pos = blocks_[block].begin; pos < blocks_[block].end;) {
      const Line line = LineAt(pos);
      pos = line.next;
      const std::size_t p = SkipSpaces(line.begin, line.end);
      if (p == line.end || (text_[p] != '"' && text_[p] != '@')) continue;
      std::optional<Value> value;
      pos = ReadValue(line, true, &value);
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
  if (added) entry->second = LoadValues(keys_[key]);
  const std::u16string folded = FoldName(name);
  for (const Value& value : entry->second) {
    if (value.foldedName == folded) return &value.value;
  }
  return nullptr;
}

}  // namespace platform::posix
