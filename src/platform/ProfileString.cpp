// The checks that keep a written entry on its own line, and the names of a
// writer's temporary copies: the same on every system.
#include "platform/ProfileString.h"

#include <charconv>

#include "platform/CodePage.h"

namespace platform {
namespace {

bool HasLineBreakOrNul(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos; }

// Whether `text` holds the single-byte character `wanted`; the second byte of a
// double-byte character can have the same value (0x5D is the trail byte of ゾ).
bool HasCharacter(std::string_view text, char wanted) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsAnsiLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == wanted) {
      return true;
    }
  }
  return false;
}

constexpr std::string_view kCopyMark = ".~";
constexpr std::string_view kCopyEnd = ".tmp";

// Takes a run of digits followed by `end` off the front of `text`; false when
// there is none.
bool TakeNumber(std::string_view& text, char end) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits == text.size() || text[digits] != end) return false;
  text.remove_prefix(digits + 1);
  return true;
}

}  // namespace

std::string TemporaryCopyName(std::string_view file, unsigned long long pid, unsigned long long a,
                              unsigned long long b) {
  return std::string(file)
      .append(kCopyMark)
      .append(std::to_string(pid))
      .append("-")
      .append(std::to_string(a))
      .append("-")
      .append(std::to_string(b))
      .append(kCopyEnd);
}

std::optional<unsigned long long> TemporaryCopyWriter(std::string_view name, std::string_view fileName) {
  if (fileName.empty() || !name.starts_with(fileName)) return std::nullopt;
  name.remove_prefix(fileName.size());
  if (!name.starts_with(kCopyMark) || !name.ends_with(kCopyEnd)) return std::nullopt;
  name.remove_prefix(kCopyMark.size());
  // PID-A-B followed by the '.' of ".tmp".
  std::string_view rest = name.substr(0, name.size() - kCopyEnd.size() + 1);
  const std::string_view pid = rest;
  for (const char separator : {'-', '-', '.'}) {
    if (!TakeNumber(rest, separator)) return std::nullopt;
  }
  if (!rest.empty()) return std::nullopt;
  unsigned long long value = 0;
  // The digits are checked: only a number too large for the type can fail.
  if (std::from_chars(pid.data(), pid.data() + pid.size(), value).ec != std::errc()) return std::nullopt;
  return value;
}

bool LosesFirstSection(std::string_view start) {
  if (!start.starts_with("\xEF\xBB\xBF")) return false;
  const std::size_t first = start.find_first_not_of(" \t", 3);
  return first != std::string_view::npos && start[first] == '[';
}

bool IsProfileBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value, const std::string& file,
                       WriteError* error) {
  const WriteError why = !IsWritableProfileEntry(section, key, value) ? WriteError::NotOneLine
                         : file.empty()                               ? WriteError::NoPlace
                                                                      : WriteProfileEntry(section, key, value, file);
  if (why != WriteError::None && error) *error = why;
  return why == WriteError::None;
}

bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
  if (HasCharacter(section, ']') || HasCharacter(key, '=')) return false;
  std::size_t first = 0;
  while (first < key.size() && IsProfileBlank(key[first])) ++first;
  return first == key.size() || (key[first] != ';' && key[first] != '[');
}

}  // namespace platform
