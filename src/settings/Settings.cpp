#include "settings/Settings.h"

#include <charconv>

#include "log/mdlLogFile.h"
#include "settings/mdlIniFle.h"

namespace settings {
namespace {

constexpr const char* kMainSection = "Orvane";
constexpr const char* kNoCheckSection = "No Check";

// The settings files and the log of one LoadSettings call.
struct Files {
  const std::string& ini;
  const std::string& log;
  const std::string& admin;  // empty: none
};

// The text of a setting: the administrator's when their file sets it, else the
// user's; a missing one is `fallback`, written back into the user's file.
std::string LoadSetting(const Files& files, const char* section, const char* key, const std::string& fallback) {
  if (!files.admin.empty()) {
    std::string set = mdlIniFle::GetIniValue(files.admin, section, key);
    if (!set.empty()) return set;
  }
  std::string text = mdlIniFle::GetIniValue(files.ini, section, key);
  if (!text.empty()) return text;
  mdlIniFle::SaveIniValue(files.ini, section, key, fallback, files.log);
  return fallback;
}

std::int32_t LoadNumber(const Files& files, const char* section, const char* key, std::int32_t fallback,
                        const std::string& label) {
  const std::int32_t value =
      ParseSetting(LoadSetting(files, section, key, std::to_string(fallback))).value_or(fallback);
  mdlLogFile::WriteLog(files.log, label + std::to_string(value), 0);
  return value;
}

std::string LoadText(const Files& files, const char* section, const char* key, std::string_view fallback,
                     const std::string& label) {
  std::string value = LoadSetting(files, section, key, std::string(fallback));
  mdlLogFile::WriteLog(files.log, label + value, 0);
  return value;
}

}  // namespace

std::optional<std::int32_t> ParseSetting(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // from_chars takes a '-' but not a '+'.
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void LoadSettings(const std::string& iniPath, const std::string& logPath, const std::string& adminIniPath) {
  const Files files{iniPath, logPath, adminIniPath};
  RunSettings.LimitSize = LoadNumber(files, kMainSection, "LimitSize", kDefaultLimitSize, "制限サイズ取得：");
  RunSettings.WarningSize = LoadNumber(files, kMainSection, "WarningSize", kDefaultWarningSize, "警告サイズ取得：");
  RunSettings.WarningTitle = LoadText(files, kMainSection, "WarningTitle", kDefaultWarningTitle, "警告タイトル取得：");
  RunSettings.WarningMsg = LoadText(files, kMainSection, "WarningMsg", kDefaultWarningMsg, "警告メッセージ取得：");
  RunSettings.Visible =
      LoadNumber(files, kNoCheckSection, "Visible", kDefaultVisible, "chkNoCheckチェックボックスの表示取得：");
}

}  // namespace settings
