#include "check/mdlOrvane.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <vector>

#include "check/RunFiles.h"
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

// One event in the system's log for a file at or over the warning size: where it
// is, how large, against which sizes, what became of its dialog, and what the
// file is with how much room it has. Collectors name the fields by position: new
// ones go at the end.
void ReportWarning(const StoreInfo& store, std::int64_t sizeKb, std::int32_t warningSize, const char* dialog) {
  const bool ansi = store.StoreFormat == profile::PstFormat::Ansi;
  mdlLogFile::ReportEvent(platform::EventType::Warning, mdlLogFile::kWarningEvent,
                          {{"path", store.StorePath},
                           {"size_kb", store.StoreSizeKb},
                           {"warning_kb", std::to_string(warningSize)},
                           {"limit_kb", std::to_string(ansi ? settings::RunSettings.LimitSize : store.StoreLimitKb)},
                           {"name", store.StoreDisplayName},
                           {"dialog", dialog},
                           {"format", ansi ? "ANSI" : "Unicode"},
                           {"kind", profile::KindText(store.StoreKind)},
                           {"room_kb", std::to_string(store.StoreLimitKb - sizeKb)},
                           {"stop_kb", std::to_string(ClientLimits.StopKb(store.StoreFormat))}});
}

// Whether Unicode files, and offline files, are watched too: only when the
// organisation sets a size for them.
bool WatchesUnicode() { return settings::RunSettings.LargeWarningSize > 0; }

// Whether the mail client, by a policy or preference of its own, stops taking
// data into ANSI files before LimitSize: the room left is then measured to there.
bool ClientStopsFirst() {
  return ClientLimits.Stop(profile::PstFormat::Ansi).Configured() &&
         ClientLimits.StopKb(profile::PstFormat::Ansi) < settings::RunSettings.LimitSize;
}

// Why a look at a file was given up: it did not answer in time, or the run was
// asked to end while it waited.
std::string GivenUp() { return texts::Str(platform::EndRequested() ? texts::Id::AskedToEnd : texts::Id::NoAnswer); }

// The format and kind as the file's header states them, which win over what the
// profile recorded; a header that cannot be read leaves the record. Either way
// but agreement, one line says so.
void DecideFormat(StoreInfo& store, const platform::FileStatus& file) {
  std::string why;
  if (file.startStatus == platform::ReadStatus::Read) {
    profile::HeaderReading reading = profile::ReadPstHeader(file.start);
    if (reading.header) {
      store.StoreKind = reading.header->kind;
      if (reading.header->format != store.StoreFormat) {
        mdlLogFile::WriteLog(LogFilePath,
                             texts::Fill(texts::Id::HeaderDisagrees, {profile::FormatText(reading.header->format),
                                                                      profile::FormatText(store.StoreFormat)}),
                             0);
        store.StoreFormat = reading.header->format;
      }
      return;
    }
    why = std::move(reading.why);
  } else {
    why = file.startStatus == platform::ReadStatus::NoAnswer ? GivenUp()
                                                             : std::string(mdlLogFile::ReasonOf(file.startStatus));
  }
  const std::string line = texts::Str(texts::Id::CannotReadHeader) + store.StorePath + " (" + why + ")";
  // A file system that does not answer is a fault the organisation should see.
  if (file.startStatus == platform::ReadStatus::NoAnswer)
    mdlLogFile::WriteFailure(LogFilePath, line);
  else
    mdlLogFile::WriteLog(LogFilePath, line, 0);
}

// A line for each registry file that was not read (a prefix's user.reg or
// system.reg, of another account's or on a file system that did not answer).
void LogUnreadHives() {
  for (const platform::UnreadHive& hive : platform::TakeUnreadHives()) {
    const std::string why = hive.why == platform::HiveProblem::NoAnswer ? GivenUp() : texts::Str(texts::Id::OthersFile);
    mdlLogFile::WriteFailure(LogFilePath, texts::Str(texts::Id::CannotReadRegistry) + hive.path + " (" + why + ")");
  }
}

// The files checked in the places read before the current one, and in it: a file
// that two places reach (two Wine prefixes linked to one folder) is checked once.
std::set<std::string> filesBefore;
std::set<std::string> filesNow;

// Every place the user's mail profiles are read from (on Linux, each Wine prefix
// that holds one), each with its default profile and its stores.
void CheckProfiles() {
  const platform::ProfileSources found = platform::FindProfileSources();
  if (!found.relativeWinePrefix.empty())
    mdlLogFile::WriteLog(LogFilePath,
                         texts::Str(texts::Id::RelativeWinePrefix) + found.relativeWinePrefix + " (" +
                             (found.relativeWinePrefixTaken.empty()
                                  ? texts::Str(texts::Id::RelativeWinePrefixSearched)
                                  : texts::Fill(texts::Id::RelativeWinePrefixTaken, {found.relativeWinePrefixTaken})) +
                             ")",
                         0);
  for (const std::string& place : found.unanswered)
    mdlLogFile::WriteFailure(LogFilePath,
                             texts::Str(texts::Id::CannotSearchWinePrefixes) + place + " (" + GivenUp() + ")");
  filesBefore.clear();
  bool anyProfile = false;
  for (const platform::ProfileSource& source : found.sources) {
    platform::UseProfileSource(source);
    filesNow.clear();
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
                               stop.source + ")",
                           0);
    }
    // A server mailbox and its archive keep one offline file: it is checked once.
    std::set<std::string> offlineSections;
    for (const std::string& section : profile::ReadStoreSections(profileKey, LogFilePath)) {
      profile::ReadStoreEntry(profileKey, section, CurrentStore);
      if (WatchesUnicode() && CurrentStore.StorePath.empty()) {
        if (const auto offline = profile::ReadOfflineFile(profileKey, section);
            offline && offlineSections.insert(offline->globalSection).second) {
          CurrentStore.StorePath = offline->path;
          CurrentStore.StoreKind = profile::StoreKind::Ost;
          // What every client since 2003 makes, unless the header says otherwise.
          CurrentStore.StoreFormat = profile::PstFormat::Unicode;
        }
      }
      CheckStore();
    }
    filesBefore.merge(filesNow);
  }
  platform::UseProfileSource({});
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
    lines.push_back(texts::Str(texts::Id::CannotUseFolder) + folder + " (" +
                    texts::Str(state == platform::FolderState::OtherOwner ? texts::Id::OthersFolder
                                                                          : texts::Id::OthersMayWriteFolder) +
                    ")");
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
    texts::Id reason = texts::Id::ReadFailed;
    switch (platform::CheckProfileFile(admin)) {
      case platform::ProfileFileState::Missing:
        continue;
      case platform::ProfileFileState::Readable:
        readable.push_back(admin);
        continue;
      case platform::ProfileFileState::AccessDenied:
        reason = texts::Id::ReadDenied;
        break;
      case platform::ProfileFileState::NotAFile:
        reason = texts::Id::NotAFile;
        break;
      case platform::ProfileFileState::Unreadable:
        reason = texts::Id::ReadFailed;
        break;
    }
    mdlLogFile::WriteFailure(
        LogFilePath, texts::Str(texts::Id::CannotReadAdministratorsFile) + admin + " (" + texts::Str(reason) + ")");
  }
  return readable;
}

// How long a run waits for another one on the same files to end.
constexpr std::chrono::seconds kRunLockWait{5};

// The name of the lock of one set of files: a hash of their paths (FNV-1a).
std::string LockName(const RunFiles& files) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : files.settings + '\n' + files.log) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  char name[17];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  return name;
}

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
  CurrentStore = {};
  SkipNextTime = false;
  PersonalFolderFound = false;

  // A program installed for every user sits in a folder its users cannot write,
  // or that its installer marked as shared: each user's files go to folders of
  // their own, and a settings file beside the program is the administrator's.
  const bool beside = !platform::PathExists(JoinPath(directory, kSharedInstallMarker)) &&
                      platform::CanReplaceFiles(directory, {baseName + ".ini", baseName + ".log"});
  RunFiles files =
      PlaceRunFiles(directory, baseName, beside, platform::UserDataFolders(), platform::SystemSettingsFolder());
  const std::vector<std::string> folderLines = MakeUserFolders(files);
  // One run at a time for these files: a second one at once (a double logon)
  // waits a little for the first, else leaves the work to it.
  const platform::RunLock lock(LockName(files), kRunLockWait);
  if (!lock.Held()) {
    mdlLogFile::ReportEvent(platform::EventType::Error, mdlLogFile::kFailureEvent,
                            {{"message", texts::Str(texts::Id::AnotherRunUnderWay) + files.log}});
    return;
  }
  IniFilePath = files.settings;
  LogFilePath = files.log;

  mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::RunStart), 1);
  for (const std::string& line : folderLines) mdlLogFile::WriteFailure(LogFilePath, line);
  AdminIniFilePaths = ReadableAdministratorsFiles(files.admin);
  if (!files.foldersToMake.empty() || !AdminIniFilePaths.empty()) {
    std::string line = texts::Str(texts::Id::SettingsFile) + IniFilePath;
    for (std::size_t i = 0; i < AdminIniFilePaths.size(); ++i)
      line += (i == 0 ? " (" + texts::Str(texts::Id::AdministratorsFiles) : ", ") + AdminIniFilePaths[i];
    mdlLogFile::WriteLog(LogFilePath, AdminIniFilePaths.empty() ? line : line + ")", 0);
  }
  // Copies that a writer killed at its work (at a shutdown) left beside the file.
  if (!IniFilePath.empty()) platform::RemoveLeftCopies(IniFilePath);
  settings::LoadSettings(IniFilePath, LogFilePath, AdminIniFilePaths);
  LogUnreadHives();

  CheckProfiles();
  if (const int unsent = mdlLogFile::UnsentEvents(); unsent > 0)
    mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::UnsentEvents) + std::to_string(unsent), 0);
  mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::RunEnd), 0);
}

std::int64_t SizeInKb(std::int64_t length) {
  // Rounded up to whole kibibytes; written so that no length can overflow.
  return length / 1024 + (length % 1024 != 0 ? 1 : 0);
}

void CheckStore() {
  StoreInfo& store = CurrentStore;
  if (store.StoreDisplayName.empty() || store.StorePath.empty()) return;
  PersonalFolderFound = true;

  // The file is looked at while the store's line is written.
  platform::FileQuery query(store.StorePath, profile::kPstHeaderSize);
  auto log = [](const std::string& message) { mdlLogFile::WriteLog(LogFilePath, message, 0); };
  const bool offline = WatchesUnicode() && store.StoreKind == profile::StoreKind::Ost;
  log(texts::Str(offline ? texts::Id::OfflineFolder : texts::Id::PersonalFolder) + store.StoreUid + ", " +
      store.StoreDisplayName + ", (" + texts::Fill(texts::Id::Format, {profile::FormatText(store.StoreFormat)}) +
      "), " + store.StorePath);

  const platform::FileStatus file = query.Result();
  if (!file.answered) {
    mdlLogFile::WriteFailure(LogFilePath,
                             texts::Str(texts::Id::CannotLookAtFile) + store.StorePath + " (" + GivenUp() + ")");
    return;
  }
  if (!file.exists) {
    log(texts::Str(texts::Id::NoFile));
    return;
  }
  if (!file.identity.empty()) {
    if (filesBefore.count(file.identity) != 0) {
      log(texts::Str(texts::Id::CheckedInAnotherPrefix));
      return;
    }
    // Watching offline files, a store and an offline path may name one file.
    if (!filesNow.insert(file.identity).second && WatchesUnicode()) {
      log(texts::Str(texts::Id::CheckedAlready));
      return;
    }
  }
  DecideFormat(store, file);
  const bool unicode = store.StoreFormat == profile::PstFormat::Unicode;
  if (unicode && !WatchesUnicode()) {
    log(texts::Str(texts::Id::UnicodeNotChecked));
    return;
  }

  const std::int64_t sizeKb = SizeInKb(file.length);
  store.StoreSizeKb = std::to_string(sizeKb);
  const std::int32_t warningSize = unicode ? settings::RunSettings.LargeWarningSize : settings::RunSettings.WarningSize;
  if (unicode)
    store.StoreLimitKb = ClientLimits.StopKb(profile::PstFormat::Unicode);
  else
    store.StoreLimitKb =
        ClientStopsFirst() ? ClientLimits.StopKb(profile::PstFormat::Ansi) : settings::RunSettings.LimitSize;
  if (sizeKb < warningSize) {
    log(texts::Fill(texts::Id::SizeBelowWarning, {store.StoreSizeKb}));
    return;
  }
  // The path as the settings file could record it: a path with characters outside
  // the code page is recorded with '?' for them, and must still match its record.
  if (mdlIniFle::GetIniValue(IniFilePath, "No Check", store.StoreUid) == mdlIniFle::AsStored(store.StorePath)) {
    log(texts::Fill(texts::Id::SizeExcluded, {store.StoreSizeKb}));
    return;
  }

  if (settings::RunSettings.ReportOnly == 1) {
    log(texts::Fill(texts::Id::SizeReported, {store.StoreSizeKb}));
    ReportWarning(store, sizeKb, warningSize, "report-only");
    return;
  }
  log(texts::Fill(texts::Id::SizeWarned, {store.StoreSizeKb}));
  SkipNextTime = false;
  const DialogResult result = Dialog != nullptr ? Dialog->ShowModal() : DialogResult::NotShown;
  if (SkipNextTime) log(texts::Str(texts::Id::ExcludedNextTime));
  ReportWarning(store, sizeKb, warningSize,
                result == DialogResult::NotShown     ? "not-shown"
                : result == DialogResult::Unanswered ? "unanswered"
                : SkipNextTime                       ? "excluded"
                                                     : "shown");
}

}  // namespace mdlOrvane
