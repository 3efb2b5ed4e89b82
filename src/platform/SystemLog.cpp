// The Linux form of an event, kept with the service so that both systems' halves
// and the tests see one definition.
#include "platform/SystemLog.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace platform {
namespace {

bool NeedsQuotes(std::string_view value) {
  if (value.empty()) return true;
  for (std::size_t pos = 0; pos < value.size();) {
    const char c = value[pos];
    const char32_t point = DecodeUtf8(value, pos);
    if (c == ' ' || c == '=' || c == '"' || (point != kInvalidUtf8 && ControlsText(point))) return true;
  }
  return false;
}

void AppendValue(std::string& line, std::string_view value) {
  if (!NeedsQuotes(value)) {
    line += value;
    return;
  }
  line += '"';
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t start = pos;
    const char32_t point = DecodeUtf8(value, pos);
    switch (point) {
      case '\\':
      case '"':
        line += '\\';
        line += static_cast<char>(point);
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\t':
        line += "\\t";
        break;
      default:
        if (point != kInvalidUtf8 && ControlsText(point)) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(point));
          line += escaped;
        } else {
          line.append(value.substr(start, pos - start));
        }
    }
  }
  line += '"';
}

}  // namespace

std::string FormatEventLine(std::uint32_t id, const std::vector<EventField>& fields) {
  std::string line = "id=" + std::to_string(id);
  for (const EventField& field : fields) {
    line += ' ';
    line += field.key;
    line += '=';
    AppendValue(line, field.value);
  }
  return line;
}

std::vector<EventField> BoundFields(std::vector<EventField> fields, std::size_t budget) {
  static constexpr std::string_view kCut = "…";
  std::vector<std::size_t> sizes;
  sizes.reserve(fields.size());
  for (const EventField& field : fields) sizes.push_back(field.value.size());
  std::sort(sizes.begin(), sizes.end());
  // The most each value may keep: the values shorter than an equal share of what
  // is left keep all they have.
  std::size_t cap = SIZE_MAX;
  std::size_t left = budget;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const std::size_t share = left / (sizes.size() - i);
    if (sizes[i] > share) {
      cap = share;
      break;
    }
    left -= sizes[i];
  }
  for (EventField& field : fields) {
    if (field.value.size() <= cap) continue;
    std::size_t keep = cap > kCut.size() ? cap - kCut.size() : 0;
    // Cut at a whole character: no UTF-8 continuation byte begins the part cut off.
    while (keep > 0 && (static_cast<unsigned char>(field.value[keep]) & 0xC0) == 0x80) --keep;
    field.value.resize(keep);
    field.value += kCut;
  }
  return fields;
}

}  // namespace platform
