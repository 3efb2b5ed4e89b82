#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The program's settings, loaded once per run from the settings file.
namespace settings {

inline constexpr std::int32_t kDefaultLimitSize = 2097152;    // 2 GiB in KB
inline constexpr std::int32_t kDefaultWarningSize = 1572864;  // 1.5 GiB in KB
inline constexpr std::string_view kDefaultWarningTitle = "WARNING!";
inline constexpr std::string_view kDefaultWarningMsg =
    "個人用フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) "
    "辺りで個人用フォルダが開けなくなりますので、不要メールの削除を行って下さい。";
inline constexpr std::int32_t kDefaultVisible = 1;

struct Settings {
  std::int32_t LimitSize = kDefaultLimitSize;      // KB at which a personal-folder file stops working
  std::int32_t WarningSize = kDefaultWarningSize;  // KB from which a file raises the warning
  std::string WarningTitle{kDefaultWarningTitle};
  std::string WarningMsg{kDefaultWarningMsg};
  std::int32_t Visible = kDefaultVisible;  // 0 hides the dialog's exclusion check box
};

inline Settings RunSettings;

// Fills RunSettings from the settings file at `iniPath` and logs each value to the
// log at `logPath`. A missing or empty setting takes its default, which is written
// back into the file (a default that cannot be is logged as such). A number that
// cannot be read takes its default for this run only: the user's text stays in the
// file. When `adminIniPath` names the administrator's settings file, each setting
// it sets holds as it is there, and only the others are read from (and written
// back to) the user's file; the administrator's file is only read.
void LoadSettings(const std::string& iniPath, const std::string& logPath, const std::string& adminIniPath = {});

// A hand-written number: an optional sign and decimal digits, blanks (space, tab)
// round them allowed. Nothing when the text is anything else or does not fit 32 bits.
std::optional<std::int32_t> ParseSetting(std::string_view text);

}  // namespace settings
