// The Linux form of an event, kept with the service so that both systems' halves
// and the tests see one definition.
#include "platform/SystemLog.h"

#include <cstdio>

namespace platform {
namespace {

bool NeedsQuotes(std::string_view value) {
  if (value.empty()) return true;
  for (const char c : value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '=' || c == '"' || c == '\x7f') return true;
  }
  return false;
}

void AppendValue(std::string& line, std::string_view value) {
  if (!NeedsQuotes(value)) {
    line += value;
    return;
  }
  line += '"';
  for (const char c : value) {
    switch (c) {
      case '\\':
      case '"':
        line += '\\';
        line += c;
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
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          line += escaped;
        } else {
          line += c;
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

}  // namespace platform
