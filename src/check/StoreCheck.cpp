// The store check: one store of the profile, from its file to its warning.
#include <cstdint>
#include <string>

#include "check/StoreCheck.h"
#include "check/mdlOrvane.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/EndRequest.h"
#include "platform/FileQuery.h"
#include "platform/SystemLog.h"
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
  // Every client since 2003 makes its offline files Unicode, whatever the profile
  // recorded (an IMAP account's store is recorded as a personal folder's).
  if (store.StoreKind == profile::StoreKind::Ost) store.StoreFormat = profile::PstFormat::Unicode;
}

// Whether the user excluded the store's file: under its section, or under any
// other that reaches the same offline file. The path is compared as the settings
// file could record it: a path with characters outside the code page is
// recorded with '?' for them, and must still match its record.
bool Excluded(const StoreInfo& store) {
  const std::string recorded = mdlIniFle::AsStored(store.StorePath);
  if (mdlIniFle::GetIniValue(IniFilePath, "No Check", store.StoreUid) == recorded) return true;
  for (const std::string& alias : store.StoreAliases)
    if (mdlIniFle::GetIniValue(IniFilePath, "No Check", alias) == recorded) return true;
  return false;
}

}  // namespace

bool WatchesUnicode() { return settings::RunSettings.LargeWarningSize > 0; }

// Whether the mail client, by a policy or preference of its own, stops taking
// data into ANSI files before LimitSize: the room left is then measured to there.
bool ClientStopsFirst() {
  // A Warn value set above the default Max leaves the file to stop at that Max.
  return (ClientLimits.warnFileSize.Configured() || ClientLimits.maxFileSize.Configured()) &&
         ClientLimits.StopKb(profile::PstFormat::Ansi) < settings::RunSettings.LimitSize;
}

std::string GivenUp() { return texts::Str(platform::EndRequested() ? texts::Id::AskedToEnd : texts::Id::NoAnswer); }

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
    if (Checked.before.count(file.identity) != 0) {
      log(texts::Str(texts::Id::CheckedInAnotherPrefix));
      return;
    }
    // Watching offline files, a store and an offline path may name one file.
    if (!Checked.now.insert(file.identity).second && WatchesUnicode()) {
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
  if (Excluded(store)) {
    log(texts::Fill(texts::Id::SizeExcluded, {store.StoreSizeKb}));
    // Still counted by the organisation: excluded is not gone.
    ReportWarning(store, sizeKb, warningSize, "excluded-earlier");
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
