#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "profile/ClientLimits.h"
#include "profile/Profile.h"

// The check run: start-up, the order of the phases, and the per-store decision
// whether to warn. Its state lives from process start to process end.
namespace mdlOrvane {

using StoreInfo = profile::StoreInfo;

// How a warning dialog ended.
enum class DialogResult {
  Answered,    // shown and closed; SkipNextTime says whether the file was excluded
  NotShown,    // no window could be shown; the dialog has logged why
  Unanswered,  // shown, and taken down before the user answered (the run was told to end)
};

// The warning dialog as the store check sees it. ShowModal shows the warning for
// CurrentStore and returns once the dialog is gone, having set SkipNextTime when
// the user excluded the store.
class WarningDialog {
 public:
  virtual ~WarningDialog() = default;
  virtual DialogResult ShowModal() = 0;
};

inline std::string IniFilePath;
inline std::string LogFilePath;
// The store under examination, filled by the profile walk and sized by CheckStore.
inline StoreInfo CurrentStore;
// The mail client's size limits for the profile being checked.
inline profile::ClientLimits ClientLimits;
inline bool SkipNextTime = false;
// What the warning of CurrentStore says beyond its size, a line for each: its
// stage, why it is shown, the forecast. Empty for a plain warning.
inline std::string CurrentNotice;
// The calendar the run takes today's date from.
inline platform::Date (*TodayOf)() = platform::Today;
inline bool PersonalFolderFound = false;

// The dialog that warnings are shown in; nullptr shows none (the warning is
// still logged). The program installs its toolkit's dialog before Main.
inline WarningDialog* Dialog = nullptr;

// The whole run: the texts in the desktop's language, paths beside the
// executable, then Run.
void Main();

// The run for a program at `directory` named `baseName`: every phase runs once,
// in order. The settings file and the log are named after the program and sit
// beside it when this user may write them there; else they sit in the user's own
// folders (platform::UserDataFolders), and a settings file beside the program is
// the administrator's, whose settings hold over the user's.
// Its texts are in the language texts::Current() names.
void Run(const std::string& directory, const std::string& baseName);

// Checks CurrentStore: logs it, reads its file's header, measures it and warns
// when it is at or over the warning size and not excluded; each such warning is
// also reported to the system's log, with what became of its dialog. The header
// decides the format where it can be read (the profile's record where it cannot,
// and the log says why); where it and the profile disagree, the log says so. The
// room left is measured to LimitSize, or to the mail client's stop when a policy
// or preference of the client's puts that lower (ClientLimits). A Unicode file
// (or an offline file, .ost) is measured only when LargeWarningSize is set, against
// it, with the room left up to the client's stop for such files; then a file
// checked already in this profile is not checked again. With ReportOnly
// set the warning is logged and reported, and no dialog is shown. A store without
// display name or path is no personal folder and is passed over without a line.
//
// Each checked file's size, and the data its header says it holds, is recorded
// once a day in the run's history (beside the settings file). From it comes a
// forecast of when the file reaches the client's stop, logged and shown, and
// the file's stage: warned, urgent (UrgentPercent of the stop) or full. With
// RemindDays a warning is shown again only that many days later unless its stage
// rose; an excluded file is shown once more as it becomes urgent and as it
// becomes full (unless FinalExclusions); ForecastWarningWeeks warns early of a
// file that grows fast; a file the client may not grow (PSTDisableGrow) gets no
// dialog. A warning not shown still gets its event.
void CheckStore();

// A file length in bytes as whole kibibytes, rounded up (1025 bytes are 2 KB).
std::int64_t SizeInKb(std::int64_t length);

}  // namespace mdlOrvane
