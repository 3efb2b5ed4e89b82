// The run's history file: read as the run begins, saved once its stores are checked.
#include "check/StoreCheck.h"
#include "check/mdlOrvane.h"
#include "log/Reasons.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/ProfileString.h"
#include "platform/TextFile.h"

namespace mdlOrvane {
namespace {

// Beside the settings file, named after it: Orvane.ini -> Orvane.history.
std::string HistoryPathOf(const std::string& settings) {
  if (settings.empty()) return {};
  std::string path = settings;
  if (path.size() > 4 && (path.ends_with(".ini") || path.ends_with(".INI"))) path.resize(path.size() - 4);
  return path + ".history";
}

}  // namespace

void LoadHistory() {
  History = {};
  History.today = history::DayOf(TodayOf());
  const std::string path = HistoryPathOf(IniFilePath);
  if (path.empty()) return;
  // Copies that a run killed at its work (at a shutdown) left beside the file.
  platform::RemoveLeftCopies(path);
  std::string text;
  const auto anew = [&](texts::Id why) {
    mdlLogFile::WriteLog(LogFilePath, texts::Because(texts::Id::HistoryStartedAnew, path, texts::Of(why)), 0);
  };
  const platform::OwnFileRead read = platform::ReadOwnFile(path, history::kMostBytes, &text);
  switch (read) {
    case platform::OwnFileRead::Missing:
      break;
    case platform::OwnFileRead::Read:
      if (auto files = history::Parse(text)) {
        History.files = std::move(*files);
        History.read = std::move(text);
      } else {
        anew(texts::Id::NotAHistoryFile);
      }
      break;
    case platform::OwnFileRead::TooLarge:
      anew(texts::Id::TooLarge);
      break;
    case platform::OwnFileRead::OthersFile:
    case platform::OwnFileRead::Failed:
      // What cannot be read is not written over either.
      mdlLogFile::WriteFailure(LogFilePath, texts::Because(texts::Id::CannotReadHistory, path, texts::ReasonOf(read)));
      return;
  }
  History.path = path;
}

void SaveHistory() {
  if (History.path.empty()) return;
  history::Thin(History.files, History.today);
  const std::string text = history::Format(History.files);
  if (text == History.read || (History.files.empty() && History.read.empty())) return;
  if (const platform::WriteError why = platform::ReplaceOwnFile(History.path, text); why != platform::WriteError::None)
    mdlLogFile::WriteFailure(LogFilePath,
                             texts::Because(texts::Id::CannotSaveHistory, History.path, texts::ReasonOf(why)));
}

}  // namespace mdlOrvane
