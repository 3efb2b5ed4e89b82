#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's settings, loaded once per run from policy and the settings files.
namespace settings {

inline constexpr std::int32_t kDefaultLimitSize = 2097152;    // 2 GiB in KB
inline constexpr std::int32_t kDefaultWarningSize = 1572864;  // 1.5 GiB in KB
inline constexpr std::string_view kDefaultWarningTitle = "WARNING!";
inline constexpr std::int32_t kDefaultVisible = 1;
inline constexpr std::int32_t kDefaultUrgentPercent = 95;

// The message written at the first run, in the run's language (log/Texts.h).
std::string DefaultWarningMsg();

struct Settings {
  std::int32_t LimitSize = kDefaultLimitSize;      // KB at which a personal-folder file stops working
  std::int32_t WarningSize = kDefaultWarningSize;  // KB from which a file raises the warning
  std::string WarningTitle{kDefaultWarningTitle};
  std::string WarningMsg{};                // LoadSettings: DefaultWarningMsg() unless set
  std::int32_t Visible = kDefaultVisible;  // 0 hides the dialog's exclusion check box
  // 1: every warning is logged and reported to the system's log, and no dialog is
  // shown. Set by policy or an administrator's file only.
  std::int32_t ReportOnly = 0;
  // KB from which a Unicode personal-folder or offline file raises the warning; 0
  // or less, the default, watches none. Never written as a default.
  std::int32_t LargeWarningSize = 0;
  // The message of that warning; empty: DefaultLargeWarningMsg. Never written.
  std::string LargeWarningMsg{};
  // The share of the mail client's stop, in percent (1 to 100), from which a
  // warned file is urgent. Never written.
  std::int32_t UrgentPercent = kDefaultUrgentPercent;
  // Days before a file's warning is shown again while its stage is the same; 0,
  // the default, shows it at every run. Never written.
  std::int32_t RemindDays = 0;
  // Weeks: a file below the warning size that its growth brings to the client's
  // stop within as many is warned about early; 0, the default, warns none. Never
  // written.
  std::int32_t ForecastWarningWeeks = 0;
  // 1: an exclusion holds whatever becomes of the file; by default a file the user
  // excluded is shown again as it becomes urgent and as it becomes full. Set by
  // policy or an administrator's file only.
  std::int32_t FinalExclusions = 0;
};

inline Settings RunSettings;

// The message of a warning about a Unicode file when none is set: the ANSI one's,
// with the mail client's stop for such files, `stopKb`, in place of 2 GB
// ("47.5GB (約 49,807,360 KB)").
std::string DefaultLargeWarningMsg(std::int64_t stopKb);

// Fills RunSettings and logs each value to the log at `logPath`. Each setting is
// taken from the first of these that sets it: the machine's policy, the user's
// policy (settings/Policy.h), the administrators' files `adminIniPaths` in their
// order, the user's settings file at `iniPath`; else its default, which is then
// written back into the user's file (a default that cannot be is logged as such).
// A setting that came from a policy gets a line naming the policy's key after its
// own. A number that cannot be read takes its default for this run only: the
// user's text stays in the file. ReportOnly is read from policy and the
// administrators' files alone, and is logged only when it is 1. LargeWarningSize
// and LargeWarningMsg are read from all four but never written back: the first
// is logged when it is set, the second when it is set and LargeWarningSize is on.
// UrgentPercent, RemindDays and ForecastWarningWeeks are read from all four and
// logged when set, never written back; a value outside their range takes the
// default. FinalExclusions is read like ReportOnly.
// Only the user's file is ever written.
void LoadSettings(const std::string& iniPath, const std::string& logPath,
                  const std::vector<std::string>& adminIniPaths = {});

// A hand-written number: an optional sign and decimal digits, blanks (space, tab)
// round them allowed. Nothing when the text is anything else or does not fit 32 bits.
std::optional<std::int32_t> ParseSetting(std::string_view text);

}  // namespace settings
