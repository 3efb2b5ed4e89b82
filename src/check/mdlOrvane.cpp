#include "check/mdlOrvane.h"

#include <vector>

#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "platform/FileQuery.h"
#include "platform/ProfileString.h"
#include "platform/SystemLog.h"
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

// One event in the system's log for a file at or over the warning size: where it
// is, how large, against which sizes, and what became of its dialog.
void ReportWarning(const StoreInfo& store, const char* dialog) {
  const settings::Settings& s = settings::RunSettings;
  platform::WriteSystemEvent(platform::EventType::Warning, mdlLogFile::kWarningEvent,
                             {{"path", store.StorePath},
                              {"size_kb", store.StoreSizeKb},
                              {"warning_kb", std::to_string(s.WarningSize)},
                              {"limit_kb", std::to_string(s.LimitSize)},
                              {"name", store.StoreDisplayName},
                              {"dialog", dialog}});
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
  AdminIniFilePaths.clear();
  CurrentStore = {};
  SkipNextTime = false;
  PersonalFolderFound = false;

  // Settings that hold for every user of the machine: on Linux, where
  // administrators put mandatory settings.
  std::vector<std::string> admins;
  if (const std::string system = platform::SystemSettingsFolder(); !system.empty())
    admins.push_back(JoinPath(JoinPath(system, "orvane"), iniName));

  // A program installed for every user sits in a folder its users cannot write:
  // each user's files go to a folder of their own, and a settings file beside the
  // program is the administrator's.
  std::vector<std::string> notCreated;
  bool moved = false;
  if (!platform::CanReplaceFiles(directory, {iniName, logName})) {
    const platform::UserFolders user = platform::UserDataFolders();
    if (!user.settings.empty()) {
      moved = true;
      admins.push_back(IniFilePath);
      IniFilePath = JoinPath(user.settings, iniName);
      LogFilePath = JoinPath(user.log, logName);
      for (const std::string& folder : {user.log, user.settings}) {
        if (!platform::CreateFolders(folder)) notCreated.push_back(folder);
      }
    }
  }

  mdlLogFile::WriteLog(LogFilePath, "Orvane 起動", 1);
  for (const std::string& folder : notCreated)
    mdlLogFile::WriteFailure(LogFilePath, "フォルダを作成できません: " + folder);
  // An administrator's file is named only once it has been found readable: one
  // that is there and cannot be read says so, so that what it sets is not lost
  // without a trace.
  for (const std::string& admin : admins) {
    const char* reason = nullptr;
    switch (platform::CheckProfileFile(admin)) {
      case platform::ProfileFileState::Missing:
        continue;
      case platform::ProfileFileState::Readable:
        AdminIniFilePaths.push_back(admin);
        continue;
      case platform::ProfileFileState::AccessDenied:
        reason = "読み取りが許可されていません";
        break;
      case platform::ProfileFileState::NotAFile:
        reason = "ファイルではありません";
        break;
      case platform::ProfileFileState::Unreadable:
        reason = "読み込みに失敗しました";
        break;
    }
    mdlLogFile::WriteFailure(LogFilePath, "管理者の設定ファイルを読み込めません: " + admin + " (" + reason + ")");
  }
  if (moved || !AdminIniFilePaths.empty()) {
    std::string line = "設定ファイル：" + IniFilePath;
    for (std::size_t i = 0; i < AdminIniFilePaths.size(); ++i)
      line += (i == 0 ? " (管理者の設定ファイル：" : ", ") + AdminIniFilePaths[i];
    mdlLogFile::WriteLog(LogFilePath, AdminIniFilePaths.empty() ? line : line + ")", 0);
  }
  settings::LoadSettings(IniFilePath, LogFilePath, AdminIniFilePaths);

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

  if (settings::RunSettings.ReportOnly == 1) {
    log("サイズ：" + store.StoreSizeKb + ", 警告を報告 (画面は表示しません)");
    ReportWarning(store, "report-only");
    return;
  }
  log("サイズ：" + store.StoreSizeKb + ", 警告画面表示");
  SkipNextTime = false;
  const DialogResult result = Dialog != nullptr ? Dialog->ShowModal() : DialogResult::NotShown;
  if (SkipNextTime) log("次回よりチェックを省略");
  ReportWarning(store, result == DialogResult::NotShown     ? "not-shown"
                       : result == DialogResult::Unanswered ? "unanswered"
                       : SkipNextTime                       ? "excluded"
                                                            : "shown");
}

}  // namespace mdlOrvane
