#include "check/RunFiles.h"

#include "platform/Executable.h"
#include "platform/System.h"

namespace mdlOrvane {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  return folder + platform::kPathSeparator + name;
}

RunFiles PlaceRunFiles(const std::string& programFolder, const std::string& baseName, bool besideProgram,
                       const platform::UserFolders& userBases, const std::string& systemSettings) {
  const std::string ini = baseName + ".ini";
  const std::string log = baseName + ".log";
  RunFiles files{JoinPath(programFolder, ini), JoinPath(programFolder, log), {}, {}};
  if (!systemSettings.empty()) files.admin.push_back(JoinPath(JoinPath(systemSettings, "orvane"), ini));
  if (besideProgram || userBases.settings.empty() || userBases.log.empty()) return files;

  const char* product = platform::kWindows ? "Orvane" : "orvane";
  const std::string settingsFolder = JoinPath(userBases.settings, product);
  const std::string logFolder = JoinPath(userBases.log, product);
  files.admin.push_back(files.settings);
  files.settings = JoinPath(settingsFolder, ini);
  files.log = JoinPath(logFolder, log);
  files.foldersToMake = {logFolder};
  if (settingsFolder != logFolder) files.foldersToMake.push_back(settingsFolder);
  return files;
}

}  // namespace mdlOrvane
