#include "check/mdlOrvane.h"

#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "profile/Profile.h"
#include "settings/Settings.h"

namespace mdlOrvane {
namespace {

std::string JoinPath(const std::string& directory, const std::string& name) {
  // A drive or file-system root already ends with its separator.
  if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) return directory + name;
  return directory + platform::kPathSeparator + name;
}

}  // namespace

void Main() {
  const platform::ExecutableLocation location = platform::LocateExecutable();
  Run(location.directory, location.baseName);
}

void Run(const std::string& directory, const std::string& baseName) {
  IniFilePath = JoinPath(directory, baseName + ".ini");
  LogFilePath = JoinPath(directory, baseName + ".log");
  CurrentStore = {};
  SkipNextTime = false;
  PersonalFolderFound = false;

  mdlLogFile::WriteLog(LogFilePath, "Orvane 起動", 1);
  settings::LoadSettings();

  const std::string profileKey = profile::FindDefaultProfile();
  if (profileKey.empty()) {
    mdlLogFile::WriteLog(LogFilePath, "プロファイルが見つかりません", 0);
  } else {
    for (const std::string& section : profile::ReadStoreSections(profileKey)) {
      profile::ReadStoreEntry(profileKey, section);
      CheckStore();
    }
    if (!PersonalFolderFound) mdlLogFile::WriteLog(LogFilePath, "個人用フォルダ無し", 0);
  }
  mdlLogFile::WriteLog(LogFilePath, "Orvane 終了", 0);
}

void CheckStore() {}

}  // namespace mdlOrvane
