#include "log/mdlLogFile.h"

#include <cstdio>

#include "platform/CodePage.h"
#include "platform/SystemLog.h"
#include "platform/TextFile.h"

namespace mdlLogFile {
namespace {

constexpr std::size_t kPrintZone = 14;

// Reasons that writing and reading share.
constexpr const char* kInUse = "ほかのプログラムが使用中です";
constexpr const char* kReadDenied = "読み取りが許可されていません";

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
  // Once per run: a log that cannot be written fails again at every line.
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
  ReportEvent(platform::EventType::Error, kFailureEvent,
              {{"message", "ログファイルに書き込めません: " + path + " (" + ReasonOf(error) + ")"}});
}

const char* ReasonOf(platform::WriteError error) {
  switch (error) {
    case platform::WriteError::NotOneLine:
      return "1 行に書けない値です";
    case platform::WriteError::AccessDenied:
      return "書き込みが許可されていません";
    case platform::WriteError::DiskFull:
      return "ディスクに空きがありません";
    case platform::WriteError::NotAFile:
      return "ファイルではありません";
    case platform::WriteError::Busy:
      return kInUse;
    case platform::WriteError::BrokenLink:
      return "リンク先がありません";
    case platform::WriteError::LinkLoop:
      return "リンクが循環しています";
    case platform::WriteError::ForeignLink:
      return "ほかのユーザーのファイルへのリンクです";
    case platform::WriteError::NoPlace:
      return "保存先のフォルダがありません";
    case platform::WriteError::NotReadBack:
      return "書き込んだ値が読み出せません";
    case platform::WriteError::None:
    case platform::WriteError::Other:
      break;
  }
  return "書き込みに失敗しました";
}

const char* ReasonOf(platform::ReadStatus status) {
  switch (status) {
    case platform::ReadStatus::InUse:
      return kInUse;
    case platform::ReadStatus::AccessDenied:
      return kReadDenied;
    case platform::ReadStatus::NoAnswer:
      return "応答がありません";
    case platform::ReadStatus::Read:
    case platform::ReadStatus::Failed:
      break;
  }
  return "読み込みに失敗しました";
}

void WriteFailure(const std::string& path, const std::string& message) {
  WriteLog(path, message, 0);
  ReportEvent(platform::EventType::Error, kFailureEvent, {{"message", message}});
}

}  // namespace mdlLogFile
