#include "log/mdlLogFile.h"

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

std::string FormatLine(const platform::DateTimeText& now, const std::string& message) {
  std::string line;
  std::size_t column = 0;
  AppendZoned(line, column, now.date);
  AppendZoned(line, column, now.time);
  line += message;
  return line;
}

void WriteLog(const std::string& path, const std::string& message, std::uint8_t mode) {
  const std::string bytes = platform::ToAnsi(FormatLine(platform::Now(), message)) + "\r\n";
  platform::WriteToFile(path, bytes, mode == 1 ? platform::WriteMode::Create : platform::WriteMode::Append);
}

void WriteFailure(const std::string& path, const std::string& message) {
  WriteLog(path, message, 0);
  platform::WriteSystemEvent(platform::EventType::Error, kFailureEvent, {{"message", message}});
}

}  // namespace mdlLogFile
