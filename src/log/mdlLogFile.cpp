#include "log/mdlLogFile.h"

#include <cstdio>

#include "log/EventFields.h"
#include "log/Reasons.h"
#include "log/Texts.h"
#include "platform/CodePage.h"
#include "platform/SystemLog.h"
#include "platform/TextFile.h"

namespace mdlLogFile {
namespace {

constexpr std::size_t kPrintZone = 14;

// Moves the output from `item` on to the start of the next print zone. An item
// that fills its zone exactly still gets a full zone of spaces, so the items never
// run into each other.
void AppendZoned(std::string& line, std::size_t& column, const std::string& item) {
  line += item;
  column += platform::CountCharacters(item);
  const std::size_t next = (column / kPrintZone + 1) * kPrintZone;
  line.append(next - column, ' ');
  column = next;
}

}  // namespace

std::string OneLine(std::string_view message) {
  std::string line;
  line.reserve(message.size());
  for (std::size_t pos = 0; pos < message.size();) {
    const std::size_t start = pos;
    const char32_t point = platform::DecodeUtf8(message, pos);
    if (point == platform::kInvalidUtf8 || !platform::ControlsText(point)) {
      line.append(message.substr(start, pos - start));
      continue;
    }
    char escape[16];
    std::snprintf(escape, sizeof escape, "<U+%04X>", static_cast<unsigned>(point));
    line += escape;
  }
  return line;
}

std::string FormatLine(const platform::DateTimeText& now, const std::string& message) {
  std::string line;
  std::size_t column = 0;
  AppendZoned(line, column, now.date);
  AppendZoned(line, column, now.time);
  line += message;
  return line;
}

namespace {

// The events of this run that a system log there did not take; a run starts
// counting at its log's first line.
int unsent = 0;

}  // namespace

void ReportEvent(platform::EventType type, std::uint32_t id, const std::vector<platform::EventField>& fields) {
  if (!platform::WriteSystemEvent(type, id, fields)) ++unsent;
}

int UnsentEvents() { return unsent; }

void WriteLog(const std::string& path, const std::string& message, std::uint8_t mode) {
  // Once per run: a log that cannot be written fails again at every line. It
  // outlives a call for the lines after; a run's first line (mode 1) clears it.
  static bool reported = false;
  if (mode == 1) {
    reported = false;
    unsent = 0;
  }
  if (path.empty()) return;  // the run has no folder for its log, and has said so
  const std::string bytes = platform::ToAnsi(FormatLine(platform::Now(), OneLine(message))) + "\r\n";
  const platform::WriteError error =
      platform::WriteToFile(path, bytes, mode == 1 ? platform::WriteMode::Create : platform::WriteMode::Append);
  if (error == platform::WriteError::None || reported) return;
  reported = true;
  ReportEvent(
      platform::EventType::Error, kFailureEvent,
      {{events::kFailureFields[0].key, texts::Because(texts::Id::CannotWriteLog, path, texts::ReasonOf(error))}});
}

void WriteFailure(const std::string& path, const std::string& message) {
  WriteLog(path, message, 0);
  ReportEvent(platform::EventType::Error, kFailureEvent, {{events::kFailureFields[0].key, message}});
}

}  // namespace mdlLogFile
