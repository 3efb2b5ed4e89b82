#pragma once
// The run's state, from process start to process end: what the run, the store
// check and the dialog share. It holds no behaviour, and includes nothing of
// this module's but the history's types, so that every arrow points at it.

#include <cstdint>
#include <set>
#include <string>

#include "check/History.h"
#include "platform/Clock.h"
#include "profile/ClientLimits.h"
#include "profile/Profile.h"

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

// The files checked in the places read before the current one, and in it: a file
// that two places reach (two Wine prefixes linked to one folder) is checked once.
// They outlive a CheckStore call, which takes no arguments, for the run's later
// stores; CheckProfiles empties them as it begins.
struct CheckedFiles {
  std::set<std::string> before;
  std::set<std::string> now;
};
inline CheckedFiles Checked;

// The Wine prefix the profile being checked comes from, when the run reads more
// than one (ProfileSource::prefix); empty on Windows. Two prefixes may each hold a
// C:\Mail\a.pst of their own: the history tells them apart by it.
inline std::string CurrentPrefix;

// The run's history of the files it checked, and whether it is kept (there is a
// history file to keep it in). Read as the run begins, saved as it ends.
struct RunHistory {
  history::History files;
  std::string path;  // the history file; empty: nothing is remembered
  std::string read;  // the text it was read as, to write only a change
  std::int32_t today = 0;
};
inline RunHistory History;

}  // namespace mdlOrvane
