// The grammar of user.reg's text: quoted names and strings with their escapes, and
// each form of value data, read as the registry reads them.
#include <array>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/emulation/FoldCase.h"
#include "platform/emulation/UserReg.h"

namespace platform::emulation {
namespace {

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
      if (value > 0xff) return UserReg::kNone;
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

}  // namespace platform::emulation
