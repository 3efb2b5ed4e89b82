// The checks that keep a written entry on its own line: the same on every system.
#include "platform/ProfileString.h"

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

}  // namespace

bool IsProfileBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
  if (HasCharacter(section, ']') || HasCharacter(key, '=')) return false;
  std::size_t first = 0;
  while (first < key.size() && IsProfileBlank(key[first])) ++first;
  return first == key.size() || (key[first] != ';' && key[first] != '[');
}

}  // namespace platform
