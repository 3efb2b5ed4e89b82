// A random write applied to random INI text: the result reads the written value
// back, and every line but the one written (and the header of a new section) is
// kept byte for byte.
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "platform/ProfileString.h"
#include "platform/emulation/IniText.h"

namespace {

std::string Name(std::string_view raw) {
  std::string name;
  for (const char c : raw) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') name += c;
  }
  return name.empty() ? "k" : name;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      end = text.size();
    } else {
      end = text.find_first_not_of("\r\n", end);
      if (end == std::string_view::npos) end = text.size();
    }
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string section = Name(input.Take());
  const std::string key = Name(input.Take());
  std::string value(input.Take());
  const std::string_view text = input.Rest();
  // Only values that read back as themselves: no blanks or quotes at the ends.
  while (!value.empty() && (std::string_view(" \t\v\f\x1a\"'").find(value.front()) != std::string_view::npos)) {
    value.erase(0, 1);
  }
  while (!value.empty() && (std::string_view(" \t\v\f\x1a\"'").find(value.back()) != std::string_view::npos)) {
    value.pop_back();
  }
  if (!platform::IsWritableProfileEntry(section, key, value)) return 0;

  const std::string result = platform::ini::SetValue(text, section, key, value);
  const auto readBack = platform::ini::FindValue(result, section, key);
  if (!readBack || *readBack != value) std::abort();

  const std::vector<std::string_view> before = Lines(text);
  const std::vector<std::string_view> after = Lines(result);
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  // Changed: at most the key's own line, and a last line that gained its line end.
  if (before.size() - prefix - suffix > 2 || after.size() - prefix - suffix > 3) std::abort();
  return 0;
}
