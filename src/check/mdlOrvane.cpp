#include "check/mdlOrvane.h"

#include <chrono>
#include <map>
#include <set>
#include <vector>

#include "check/RunFiles.h"
#include "check/StoreCheck.h"
#include "log/EventFields.h"
#include "log/Reasons.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/EndRequest.h"
#include "platform/Executable.h"
#include "platform/FileQuery.h"
#include "platform/FileSystem.h"
#include "platform/ProfileSources.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "platform/RunLock.h"
#include "platform/SystemLog.h"
#include "platform/UserFolders.h"
#include "platform/UserLanguage.h"
#include "profile/Profile.h"
#include "profile/PstHeader.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"

namespace mdlOrvane {
namespace {

// A line for each registry file that was not read (a prefix's user.reg or
// system.reg, of another account's or on a file system that did not answer).
void LogUnreadHives() {
  for (const platform::UnreadHive& hive : platform::TakeUnreadHives()) {
    mdlLogFile::WriteFailure(LogFilePath,
                             texts::Because(texts::Id::CannotReadRegistry, hive.path, texts::ReasonOf(hive.why)));
  }
}

// Every place the user's mail profiles are read from (on Linux, each Wine prefix
// that holds one), each with its default profile and its stores.
void CheckProfiles() {
  const platform::ProfileSources found = platform::FindProfileSources();
  if (!found.relativeWinePrefix.empty())
    mdlLogFile::WriteLog(
        LogFilePath,
        texts::Because(texts::Id::RelativeWinePrefix, found.relativeWinePrefix,
                       found.relativeWinePrefixTaken.empty()
                           ? texts::Str(texts::Id::RelativeWinePrefixSearched)
                           : texts::Fill(texts::Id::RelativeWinePrefixTaken, {found.relativeWinePrefixTaken})),
        0);
  for (const std::string& place : found.unanswered)
    mdlLogFile::WriteFailure(LogFilePath, texts::Because(texts::Id::CannotSearchWinePrefixes, place, texts::GivenUp()));
  Checked.before.clear();
  bool anyProfile = false;
  for (const platform::ProfileSource& source : found.sources) {
    platform::UseProfileSource(source);
    CurrentPrefix = source.prefix;
    Checked.now.clear();
    if (!source.prefix.empty()) mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::WinePrefix) + source.prefix, 0);
    const std::string profileKey = profile::FindDefaultProfile(LogFilePath);
    LogUnreadHives();
    if (profileKey.empty()) {
      mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::NoProfile), 0);
      continue;
    }
    anyProfile = true;
    ClientLimits = profile::ReadClientLimits(profile::ClientVersion(profileKey));
    if (ClientStopsFirst()) {
      const profile::ClientLimit& stop = ClientLimits.Stop(profile::PstFormat::Ansi);
      mdlLogFile::WriteLog(LogFilePath,
                           texts::Str(texts::Id::RoomToClientStop) +
                               std::to_string(ClientLimits.StopKb(profile::PstFormat::Ansi)) + " (" + stop.name + ", " +
                               (stop.Configured() ? stop.source : texts::Str(texts::Id::ClientDefault)) + ")",
                           0);
    }
    for (const std::string& zero : ClientLimits.zeros)
      mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::ClientLimitZero) + zero, 0);
    const std::vector<std::string> sections = profile::ReadStoreSections(profileKey, LogFilePath);
    profile::OfflineFiles offline =
        WatchesUnicode() ? profile::OfflineFiles(profileKey, sections) : profile::OfflineFiles();
    for (const std::string& section : sections) {
      profile::ReadStoreEntry(profileKey, section, CurrentStore);
      offline.Complete(section, CurrentStore);
      CheckStore();
    }
    Checked.before.merge(Checked.now);
  }
  platform::UseProfileSource({});
  CurrentPrefix.clear();
  if (anyProfile && !PersonalFolderFound) mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::NoPersonalFolder), 0);
}

// Makes the user's folders that `files` go into, and returns what to log of them.
// A folder that cannot be made, or that is not the user's alone, holds none of the
// run's files: what the run would save there is lost, and says so, but nothing is
// read from or written into another's folder.
std::vector<std::string> MakeUserFolders(RunFiles& files) {
  std::vector<std::string> lines;
  for (const std::string& folder : files.foldersToMake) {
    if (!platform::CreateFolders(folder)) {
      lines.push_back(texts::Str(texts::Id::CannotMakeFolder) + folder);
      continue;
    }
    const platform::FolderState state = platform::CheckUserFolder(folder);
    if (state == platform::FolderState::Usable) continue;
    lines.push_back(texts::Because(texts::Id::CannotUseFolder, folder, texts::ReasonOf(state)));
    for (std::string* file : {&files.settings, &files.log})
      if (file->starts_with(folder) && file->size() > folder.size()) file->clear();
  }
  return lines;
}

// The administrators' files among `admins` that are there and can be read. One
// that is there and cannot be read is logged with why, so that what it sets is
// not lost without a trace.
std::vector<std::string> ReadableAdministratorsFiles(const std::vector<std::string>& admins) {
  std::vector<std::string> readable;
  for (const std::string& admin : admins) {
    const platform::ProfileFileState state = platform::CheckProfileFile(admin);
    if (state == platform::ProfileFileState::Missing) continue;
    if (state != platform::ProfileFileState::Readable) {
      mdlLogFile::WriteFailure(LogFilePath,
                               texts::Because(texts::Id::CannotReadAdministratorsFile, admin, texts::ReasonOf(state)));
      continue;
    }
    readable.push_back(admin);
    if (platform::LosesFirstSection(admin))
      mdlLogFile::WriteLog(
          LogFilePath, texts::Because(texts::Id::FirstSectionNotRead, admin, texts::Of(texts::Id::Utf8ByteOrderMark)),
          0);
  }
  return readable;
}

// The first folder of the run's files (the folders to make, then those of the
// settings file and the log) whose file system does not answer; empty when all do.
std::string SilentFolder(const RunFiles& files) {
  std::vector<std::string> folders = files.foldersToMake;
  for (const std::string* file : {&files.settings, &files.log})
    if (const std::size_t end = file->find_last_of(platform::kPathSeparator); end != std::string::npos)
      folders.push_back(file->substr(0, end));
  for (const std::string& folder : folders)
    if (!platform::QueryFile(folder).answered) return folder;
  return {};
}

// How long a run waits for another one on the same files to end.
constexpr std::chrono::seconds kRunLockWait{5};

}  // namespace

void Main() {
  texts::Use(platform::UserLanguageIsJapanese() ? texts::Language::Japanese : texts::Language::English);
  platform::WatchForEndRequest();
  const platform::ExecutableLocation location = platform::LocateExecutable();
  Run(location.directory, location.baseName);
}

void Run(const std::string& directory, const std::string& baseName) {
  // The places to read profiles from are looked for while the run's files and
  // settings are found and read.
  platform::BeginProfileSearch(profile::ProfileRoots());
  platform::BeginFileLooks();
  CurrentStore = {};
  SkipNextTime = false;
  CurrentNotice.clear();
  PersonalFolderFound = false;

  // A program installed for every user sits in a folder its users cannot write,
  // or that its installer marked as shared: each user's files go to folders of
  // their own, and a settings file beside the program is the administrator's.
  const bool beside = !platform::PathExists(JoinPath(directory, kSharedInstallMarker)) &&
                      platform::CanReplaceFiles(directory, {baseName + ".ini", baseName + ".log"});
  RunFiles files =
      PlaceRunFiles(directory, baseName, beside, platform::UserDataFolders(), platform::SystemSettingsFolder());
  // A settings or log folder on a file system that does not answer (a network
  // home, a dead mount) would hold every step after it: the run gives up at once,
  // and only the system's log can tell.
  if (const std::string silent = SilentFolder(files); !silent.empty()) {
    mdlLogFile::ReportEvent(
        platform::EventType::Error, mdlLogFile::kFailureEvent,
        {{events::kFailureFields[0].key, texts::Because(texts::Id::CannotUseFolder, silent, texts::GivenUp())}});
    return;
  }
  const std::vector<std::string> folderLines = MakeUserFolders(files);
  // One run at a time for these files: a second one at once (a double logon)
  // waits a little for the first, else leaves the work to it.
  const platform::RunLock lock({files.settings, files.log}, kRunLockWait);
  if (!lock.Held()) {
    mdlLogFile::ReportEvent(platform::EventType::Error, mdlLogFile::kFailureEvent,
                            {{events::kFailureFields[0].key, texts::Str(texts::Id::AnotherRunUnderWay) + files.log}});
    return;
  }
  IniFilePath = files.settings;
  LogFilePath = files.log;

  mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::RunStart), 1);
  for (const std::string& line : folderLines) mdlLogFile::WriteFailure(LogFilePath, line);
  // The administrators' settings files, the first winning: on Linux
  // /etc/orvane/<name>.ini when it is there, then the settings file beside the
  // program when the run keeps its own files in the user's folder.
  const std::vector<std::string> adminIniFiles = ReadableAdministratorsFiles(files.admin);
  if (!files.foldersToMake.empty() || !adminIniFiles.empty()) {
    std::string line = texts::Str(texts::Id::SettingsFile) + IniFilePath;
    for (std::size_t i = 0; i < adminIniFiles.size(); ++i)
      line += (i == 0 ? " (" + texts::Str(texts::Id::AdministratorsFiles) : ", ") + adminIniFiles[i];
    mdlLogFile::WriteLog(LogFilePath, adminIniFiles.empty() ? line : line + ")", 0);
  }
  // Copies that a writer killed at its work (at a shutdown) left beside the file.
  if (!IniFilePath.empty()) platform::RemoveLeftCopies(IniFilePath);
  settings::LoadSettings(IniFilePath, LogFilePath, adminIniFiles);
  LogUnreadHives();
  LoadHistory();

  CheckProfiles();
  SaveHistory();
  if (const int unsent = mdlLogFile::UnsentEvents(); unsent > 0)
    mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::UnsentEvents) + std::to_string(unsent), 0);
  mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::RunEnd), 0);
}

}  // namespace mdlOrvane
