// The Linux form of an event, kept with the service so that both systems' halves
// and the tests see one definition.
#include "platform/SystemLog.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/CodePage.h"

namespace platform {
namespace {

// What one character of a value takes in the line: itself, or its escape.
// `needsQuotes` is set when the character makes its value quoted.
std::size_t EscapedSize(char32_t point, std::size_t rawSize, bool& needsQuotes) {
  switch (point) {
    case '\\':
      return 2;
    case '"':
      needsQuotes = true;
      return 2;
    case '\n':
    case '\r':
    case '\t':
      needsQuotes = true;
      return 2;
    case ' ':
    case '=':
      needsQuotes = true;
      return 1;
    default:
      if (point != kInvalidUtf8 && ControlsText(point)) {
        needsQuotes = true;
        return 6;  // \uXXXX: every such character is below U+10000
      }
      return rawSize;
  }
}

bool NeedsQuotes(std::string_view value) {
  bool quoted = value.empty();
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t start = pos;
    const char32_t point = DecodeUtf8(value, pos);
    EscapedSize(point, pos - start, quoted);
  }
  return quoted;
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
          char escaped[12];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(point));
          line += escaped;
        } else {
          line.append(value.substr(start, pos - start));
        }
    }
  }
  line += '"';
}

// The bytes a value takes: as it is (an insertion string), or as the line writes it.
enum class Measure { Raw, InLine };

std::size_t SizeOf(std::string_view value, Measure measure) {
  if (measure == Measure::Raw) return value.size();
  bool quoted = value.empty();
  std::size_t size = 0;
  std::size_t backslashes = 0;
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t start = pos;
    const char32_t point = DecodeUtf8(value, pos);
    size += EscapedSize(point, pos - start, quoted);
    backslashes += point == '\\';
  }
  // A backslash is doubled only inside quotes.
  return quoted ? size + 2 : size - backslashes;
}

constexpr std::string_view kCut = "…";

// The longest start of `value`, at a whole character, that with kCut after it
// takes at most `cap` bytes.
std::string CutTo(std::string_view value, std::size_t cap, Measure measure) {
  bool quoted = false;
  std::size_t size = kCut.size();
  std::size_t keep = 0;
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t start = pos;
    const char32_t point = DecodeUtf8(value, pos);
    bool quotes = quoted;
    const std::size_t grown = size + (measure == Measure::Raw ? pos - start : EscapedSize(point, pos - start, quotes));
    if (grown + (measure == Measure::InLine && quotes ? 2 : 0) > cap) break;
    size = grown;
    quoted = quotes;
    keep = pos;
  }
  return std::string(value.substr(0, keep)) + std::string(kCut);
}

std::vector<EventField> Bound(std::vector<EventField> fields, std::size_t budget, Measure measure) {
  std::vector<std::size_t> sizes;
  sizes.reserve(fields.size());
  for (const EventField& field : fields) sizes.push_back(SizeOf(field.value, measure));
  std::vector<std::size_t> sorted = sizes;
  std::sort(sorted.begin(), sorted.end());
  // The most each value may take: the values smaller than an equal share of what
  // is left keep all they have.
  std::size_t cap = SIZE_MAX;
  std::size_t left = budget;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const std::size_t share = left / (sorted.size() - i);
    if (sorted[i] > share) {
      cap = share;
      break;
    }
    left -= sorted[i];
  }
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (sizes[i] > cap) fields[i].value = CutTo(fields[i].value, cap, measure);
  return fields;
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
  return Bound(std::move(fields), budget, Measure::Raw);
}

std::string FormatBoundEventLine(std::string_view head, std::uint32_t id, const std::vector<EventField>& fields,
                                 std::size_t limit) {
  // What the line takes besides the values: the head, the id and each " key=".
  std::size_t fixed = head.size() + FormatEventLine(id, {}).size();
  for (const EventField& field : fields) fixed += 2 + field.key.size();
  const std::size_t budget = limit > fixed ? limit - fixed : 0;
  return std::string(head) + FormatEventLine(id, Bound(fields, budget, Measure::InLine));
}

}  // namespace platform
