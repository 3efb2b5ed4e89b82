#include "check/mdlOrvane.h"

#include <vector>

#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "platform/FileQuery.h"
#include "platform/UserFolders.h"
#include "profile/Profile.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"

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
  const std::string iniName = baseName + ".ini";
  const std::string logName = baseName + ".log";
  IniFilePath = JoinPath(directory, iniName);
  LogFilePath = JoinPath(directory, logName);
  AdminIniFilePath.clear();
  CurrentStore = {};
  SkipNextTime = false;
  PersonalFolderFound = false;

  // A program installed for every user sits in a folder its users cannot write:
  // each user's files go to a folder of their own, and a settings file beside the
  // program is the administrator's.
  std::vector<std::string> notCreated;
  if (!platform::CanReplaceFiles(directory, {iniName, logName})) {
    const platform::UserFolders user = platform::UserDataFolders();
    if (!user.settings.empty()) {
      AdminIniFilePath = IniFilePath;
      IniFilePath = JoinPath(user.settings, iniName);
      LogFilePath = JoinPath(user.log, logName);
      for (const std::string& folder : {user.log, user.settings}) {
        if (!platform::CreateFolders(folder)) notCreated.push_back(folder);
      }
    }
  }

  mdlLogFile::WriteLog(LogFilePath, "Orvane 起動", 1);
  if (!AdminIniFilePath.empty()) {
    for (const std::string& folder : notCreated)
      mdlLogFile::WriteLog(LogFilePath, "フォルダを作成できません: " + folder, 0);
    mdlLogFile::WriteLog(LogFilePath,
                         "設定ファイル：" + IniFilePath + " (管理者の設定ファイル：" + AdminIniFilePath + ")", 0);
  }
  settings::LoadSettings(IniFilePath, LogFilePath, AdminIniFilePath);

  const std::string profileKey = profile::FindDefaultProfile(LogFilePath);
  if (profileKey.empty()) {
    mdlLogFile::WriteLog(LogFilePath, "プロファイルが見つかりません", 0);
  } else {
    for (const std::string& section : profile::ReadStoreSections(profileKey, LogFilePath)) {
      profile::ReadStoreEntry(profileKey, section, CurrentStore);
      CheckStore();
    }
    if (!PersonalFolderFound) mdlLogFile::WriteLog(LogFilePath, "個人用フォルダ無し", 0);
  }
  mdlLogFile::WriteLog(LogFilePath, "Orvane 終了", 0);
}

std::int64_t SizeInKb(std::int64_t length) {
  // Rounded up to whole kibibytes; written so that no length can overflow.
  return length / 1024 + (length % 1024 != 0 ? 1 : 0);
}

void CheckStore() {
  StoreInfo& store = CurrentStore;
  if (store.StoreDisplayName.empty() || store.StorePath.empty()) return;
  PersonalFolderFound = true;

  auto log = [](const std::string& message) { mdlLogFile::WriteLog(LogFilePath, message, 0); };
  log("個人用フォルダ情報取得：" + store.StoreUid + ", " + store.StoreDisplayName + ", (" + store.StoreFormat +
      "形式), " + store.StorePath);

  const platform::FileStatus file = platform::QueryFile(store.StorePath);
  if (!file.exists) {
    log("ファイルが存在しません");
    return;
  }
  if (store.StoreFormat == "2003") {
    log("2003形式のためチェック対象外");
    return;
  }

  const std::int64_t sizeKb = SizeInKb(file.length);
  store.StoreSizeKb = std::to_string(sizeKb);
  if (sizeKb < settings::RunSettings.WarningSize) {
    log("サイズ：" + store.StoreSizeKb + ", 警告サイズ以下");
    return;
  }
  // The path as the settings file could record it: a path with characters outside
  // the code page is recorded with '?' for them, and must still match its record.
  if (mdlIniFle::GetIniValue(IniFilePath, "No Check", store.StoreUid) == mdlIniFle::AsStored(store.StorePath)) {
    log("サイズ：" + store.StoreSizeKb + ", チェック省略対象");
    return;
  }

  log("サイズ：" + store.StoreSizeKb + ", 警告画面表示");
  SkipNextTime = false;
  if (Dialog != nullptr) Dialog->ShowModal();
  if (SkipNextTime) log("次回よりチェックを省略");
}

}  // namespace mdlOrvane
