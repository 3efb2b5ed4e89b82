// The store check: one store of the profile, from its file to its warning.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/Forecast.h"

#include "check/StoreCheck.h"
#include "check/mdlOrvane.h"
#include "log/EventFields.h"
#include "log/Reasons.h"
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
// is, how large, against which sizes, what became of its dialog, what the file is
// with how much room it has, and how fast it grows. The values go in the order
// of events::kWarningFields, which names them.
void ReportWarning(const StoreInfo& store, std::int64_t sizeKb, const StoreSizes& sizes,
                   const std::optional<forecast::Forecast>& forecast, const char* dialog) {
  const bool ansi = store.StoreFormat == profile::PstFormat::Ansi;
  const std::array<std::string, events::kWarningFields.size()> values{
      store.StorePath,
      store.StoreSizeKb,
      std::to_string(sizes.warningKb),
      std::to_string(sizes.limitKb),
      store.StoreDisplayName,
      dialog,
      ansi ? "ANSI" : "Unicode",
      profile::KindText(store.StoreKind),
      std::to_string(sizes.wallKb - sizeKb),
      std::to_string(sizes.stopKb),
      forecast ? std::to_string(forecast->growthKbPerWeek) : "",
      forecast ? std::to_string(forecast->weeksToStop) : "",
  };
  std::vector<platform::EventField> fields;
  for (std::size_t i = 0; i < values.size(); ++i) fields.push_back({events::kWarningFields[i].key, values[i]});
  mdlLogFile::ReportEvent(platform::EventType::Warning, mdlLogFile::kWarningEvent, fields);
}

// Why the file's first bytes are no header this program knows, for the log:
// "ファイルが短すぎます".
std::string ReasonOf(const profile::HeaderReading& reading) {
  switch (reading.problem) {
    case profile::HeaderProblem::TooShort:
      return texts::Str(texts::Id::TooShort);
    case profile::HeaderProblem::NotPersonalFolderFile:
      return texts::Str(texts::Id::NotPersonalFolderFile);
    case profile::HeaderProblem::UnknownVersion:
      return texts::Fill(texts::Id::UnknownVersion, {std::to_string(reading.version)});
    case profile::HeaderProblem::None:
      break;
  }
  return {};
}

// The format and kind as the file's header states them, which win over what the
// profile recorded; a header that cannot be read leaves the record. Either way
// but agreement, one line says so. Returns the data the header says the file
// holds, when it says.
std::optional<std::int64_t> DecideFormat(StoreInfo& store, const platform::FileStatus& file) {
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
      return reading.header->dataBytes;
    }
    why = ReasonOf(reading);
  } else {
    why = texts::ReasonOf(file.startStatus);
  }
  const std::string line = texts::Because(texts::Id::CannotReadHeader, store.StorePath, why);
  // A file system that does not answer is a fault the organisation should see.
  if (file.startStatus == platform::ReadStatus::NoAnswer)
    mdlLogFile::WriteFailure(LogFilePath, line);
  else
    mdlLogFile::WriteLog(LogFilePath, line, 0);
  // Every client since 2003 makes its offline files Unicode, whatever the profile
  // recorded (an IMAP account's store is recorded as a personal folder's).
  if (store.StoreKind == profile::StoreKind::Ost) store.StoreFormat = profile::PstFormat::Unicode;
  return std::nullopt;
}

// The keys of the exclusions that exclude the store's file: its section's, and
// those of the others that reach the same offline file. The path is compared as
// the settings file could record it: a path with characters outside the code
// page is recorded with '?' for them, and must still match its record.
std::vector<std::string> ExclusionKeys(const StoreInfo& store) {
  const std::string recorded = mdlIniFle::AsStored(store.StorePath);
  std::vector<std::string> keys;
  if (mdlIniFle::GetIniValue(IniFilePath, "No Check", store.StoreUid) == recorded) keys.push_back(store.StoreUid);
  for (const std::string& alias : store.StoreAliases)
    if (mdlIniFle::GetIniValue(IniFilePath, "No Check", alias) == recorded) keys.push_back(alias);
  return keys;
}

// The user shown an excluded file again left the box unticked: the file is
// checked again from now on. Each exclusion is emptied, which reads as none.
void LiftExclusion(const StoreInfo& store) {
  bool lifted = true;
  for (const std::string& key : ExclusionKeys(store))
    if (const platform::WriteError why = mdlIniFle::SetIniValue(IniFilePath, "No Check", key, "");
        why != platform::WriteError::None) {
      mdlLogFile::WriteFailure(LogFilePath, mdlIniFle::CannotSave(key, why));
      lifted = false;
    }
  if (lifted) mdlLogFile::WriteLog(LogFilePath, texts::Str(texts::Id::ExclusionLifted), 0);
}

}  // namespace

StoreSizes SizesOf(profile::PstFormat format) {
  const settings::Settings& s = settings::RunSettings;
  if (format == profile::PstFormat::Unicode) {
    const std::int64_t stop = ClientLimits.StopKb(format);
    return {s.LargeWarningSize, stop, stop, stop};
  }
  return {s.WarningSize, s.LimitSize, ClientStopsFirst() ? ClientLimits.StopKb(format) : s.LimitSize,
          ClientLimits.StopKb(format)};
}

history::Band StoreSizes::BandOf(std::int64_t sizeKb, const std::optional<forecast::Forecast>& forecast) const {
  using history::Band;
  if (sizeKb < warningKb) {
    const std::int32_t early = settings::RunSettings.ForecastWarningWeeks;
    return early > 0 && forecast && forecast->weeksToStop <= early ? Band::Early : Band::None;
  }
  if (sizeKb >= stopKb) return Band::Full;
  // Compared in whole numbers: 95 % of the stop and over.
  if (sizeKb * 100 >= stopKb * settings::RunSettings.UrgentPercent) return Band::Urgent;
  return Band::Warning;
}

namespace {

// The share of the stop that `sizeKb` is, in whole percent (rounded down).
std::string PercentOf(std::int64_t sizeKb, std::int64_t stopKb) {
  return std::to_string(stopKb > 0 ? sizeKb * 100 / stopKb : 0);
}

std::string ForecastNotice(const forecast::Forecast& forecast) {
  if (forecast.weeksToStop == 0) return texts::Str(texts::Id::NoticeForecastWithinWeek);
  if (forecast.weeksToStop == 1) return texts::Str(texts::Id::NoticeForecastOneWeek);
  return texts::Fill(texts::Id::NoticeForecast, {std::to_string(forecast.weeksToStop)});
}

// The file's record in the run's history with today's point added, and the
// forecast from it; nothing without a history. `known`: the history held the
// file before this run.
struct Growth {
  history::Record* record = nullptr;
  bool known = false;
  std::optional<forecast::Forecast> forecast;
};

Growth RecordGrowth(const StoreInfo& store, std::int64_t sizeKb, std::optional<std::int64_t> dataBytes,
                    std::int64_t stopKb) {
  if (History.path.empty()) return {};
  Growth growth;
  growth.record = &History.files[CurrentPrefix.empty() ? store.StorePath : CurrentPrefix + "|" + store.StorePath];
  growth.known = !growth.record->points.empty();
  // Data beyond the file's end is a root that is out of date: the size stands.
  const std::int64_t dataKb = dataBytes ? std::min(SizeInKb(*dataBytes), sizeKb) : sizeKb;
  history::AddPoint(*growth.record, {History.today, sizeKb, dataKb});
  std::vector<forecast::Sample> samples;
  for (const history::Point& point : growth.record->points) samples.push_back({point.day, point.dataKb});
  growth.forecast = forecast::WeeksToStop(samples, stopKb);
  return growth;
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

std::int64_t SizeInKb(std::int64_t length) {
  // Rounded up to whole kibibytes; written so that no length can overflow.
  return length / 1024 + (length % 1024 != 0 ? 1 : 0);
}

void CheckStore() {
  StoreInfo& store = CurrentStore;
  if (store.StoreDisplayName.empty() || store.StorePath.empty()) return;
  PersonalFolderFound = true;

  // The file is looked at while the store's line is written.
  platform::FileQuery query(store.StorePath, profile::kPstRootEnd);
  auto log = [](const std::string& message) { mdlLogFile::WriteLog(LogFilePath, message, 0); };
  const bool offline = WatchesUnicode() && store.StoreKind == profile::StoreKind::Ost;
  log(texts::Str(offline ? texts::Id::OfflineFolder : texts::Id::PersonalFolder) + store.StoreUid + ", " +
      store.StoreDisplayName + ", (" + texts::Fill(texts::Id::Format, {profile::FormatText(store.StoreFormat)}) +
      "), " + store.StorePath);

  const platform::FileStatus file = query.Result();
  if (!file.answered) {
    mdlLogFile::WriteFailure(LogFilePath,
                             texts::Because(texts::Id::CannotLookAtFile, store.StorePath, texts::GivenUp()));
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
  const std::optional<std::int64_t> dataBytes = DecideFormat(store, file);
  const bool unicode = store.StoreFormat == profile::PstFormat::Unicode;
  if (unicode && !WatchesUnicode()) {
    log(texts::Str(texts::Id::UnicodeNotChecked));
    return;
  }

  const std::int64_t sizeKb = SizeInKb(file.length);
  profile::SetSize(store, sizeKb);
  const StoreSizes sizes = SizesOf(store.StoreFormat);
  store.StoreLimitKb = sizes.wallKb;
  const std::int64_t stopKb = sizes.stopKb;
  const Growth growth = RecordGrowth(store, sizeKb, dataBytes, stopKb);
  const std::optional<forecast::Forecast>& forecast = growth.forecast;
  if (forecast)
    log(texts::Fill(texts::Id::ForecastLine,
                    {std::to_string(forecast->growthKbPerWeek), std::to_string(forecast->weeksToStop)}));
  using history::Band;
  const Band band = sizes.BandOf(sizeKb, forecast);
  if (band == Band::None) {
    log(texts::Fill(texts::Id::SizeBelowWarning, {store.StoreSizeKb}));
    return;
  }
  const auto report = [sizeKb, &sizes, &forecast](const char* dialog) {
    ReportWarning(CurrentStore, sizeKb, sizes, forecast, dialog);
  };

  // An exclusion holds until the file becomes urgent, and again until it is
  // full, unless the organisation makes it hold for good.
  history::Record* record = growth.record;
  const Band excludedAt =
      record != nullptr && record->excludedBand != Band::None ? record->excludedBand : Band::Warning;
  bool againAfterExclusion = false;
  if (!ExclusionKeys(store).empty()) {
    if (settings::RunSettings.FinalExclusions == 1 || band < Band::Urgent || band <= excludedAt) {
      log(texts::Fill(texts::Id::SizeExcluded, {store.StoreSizeKb}));
      // Still counted by the organisation: excluded is not gone.
      report("excluded-earlier");
      return;
    }
    log(texts::Fill(texts::Id::SizeExcludedNewStage, {store.StoreSizeKb}));
    againAfterExclusion = true;
  }
  // The stage is told once the file has a history; before that the run is the one
  // it always was.
  const bool tellsStage = band >= Band::Urgent && (growth.known || againAfterExclusion);
  if (tellsStage)
    log(texts::Fill(
        texts::Id::StageLine,
        {texts::Str(band == Band::Full ? texts::Id::StageFull : texts::Id::StageUrgent), PercentOf(sizeKb, stopKb)}));

  // Nothing the user can do in the file makes room for mail the client will not add.
  if (!ClientLimits.disableGrow.empty() && store.StoreKind == profile::StoreKind::Pst) {
    log(texts::Fill(texts::Id::SizeCannotGrow, {store.StoreSizeKb, ClientLimits.disableGrow}));
    report("cannot-grow");
    return;
  }
  if (settings::RunSettings.ReportOnly == 1) {
    log(texts::Fill(texts::Id::SizeReported, {store.StoreSizeKb}));
    report("report-only");
    return;
  }
  const std::int32_t remindDays = settings::RunSettings.RemindDays;
  if (!againAfterExclusion && remindDays > 0 && record != nullptr && record->shownDay != history::kNever &&
      band <= record->shownBand && History.today - record->shownDay < remindDays) {
    log(texts::Fill(texts::Id::SizeRemindLater, {store.StoreSizeKb, history::DateText(record->shownDay),
                                                 history::DateText(record->shownDay + remindDays)}));
    report("remind-later");
    return;
  }

  if (band == Band::Early)
    log(texts::Fill(texts::Id::SizeWarnedEarly,
                    {store.StoreSizeKb, std::to_string(settings::RunSettings.ForecastWarningWeeks)}));
  else if (!againAfterExclusion)
    log(texts::Fill(texts::Id::SizeWarned, {store.StoreSizeKb}));
  CurrentNotice.clear();
  const auto notice = [](const std::string& line) { CurrentNotice += (CurrentNotice.empty() ? "" : "\n") + line; };
  if (tellsStage)
    notice(band == Band::Full ? texts::Str(texts::Id::NoticeFull)
                              : texts::Fill(texts::Id::NoticeUrgent, {PercentOf(sizeKb, stopKb)}));
  if (band == Band::Early) notice(texts::Str(texts::Id::NoticeEarly));
  if (againAfterExclusion) notice(texts::Str(texts::Id::NoticeExcluded));
  if (forecast) notice(ForecastNotice(*forecast));

  SkipNextTime = false;
  const DialogResult result = Dialog != nullptr ? Dialog->ShowModal() : DialogResult::NotShown;
  CurrentNotice.clear();
  if (SkipNextTime) log(texts::Str(texts::Id::ExcludedNextTime));
  if (result == DialogResult::Answered && record != nullptr) {
    record->shownDay = History.today;
    record->shownBand = band;
    if (SkipNextTime) record->excludedBand = band;
  }
  if (againAfterExclusion && result == DialogResult::Answered && !SkipNextTime) LiftExclusion(store);
  report(result == DialogResult::NotShown     ? "not-shown"
         : result == DialogResult::Unanswered ? "unanswered"
         : SkipNextTime                       ? "excluded"
                                              : "shown");
}

}  // namespace mdlOrvane
