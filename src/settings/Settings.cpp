#include "settings/Settings.h"

#include <charconv>

#include "check/mdlOrvane.h"
#include "log/mdlLogFile.h"
#include "settings/mdlIniFle.h"

namespace settings {
namespace {

constexpr const char* kMainSection = "Orvane";
constexpr const char* kNoCheckSection = "No Check";

std::int32_t LoadNumber(const char* section, const char* key, std::int32_t fallback, const std::string& label) {
  const std::string text = mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, section, key);
  std::int32_t value = fallback;
  if (text.empty()) {
    mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, section, key, std::to_string(fallback));
  } else if (const std::optional<std::int32_t> parsed = ParseSetting(text)) {
    value = *parsed;
  }
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, label + std::to_string(value), 0);
  return value;
}

std::string LoadText(const char* section, const char* key, std::string_view fallback, const std::string& label) {
  std::string value = mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, section, key);
  if (value.empty()) {
    value = fallback;
    mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, section, key, value);
  }
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, label + value, 0);
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

void LoadSettings() {
  RunSettings.LimitSize = LoadNumber(kMainSection, "LimitSize", kDefaultLimitSize, "制限サイズ取得：");
  RunSettings.WarningSize = LoadNumber(kMainSection, "WarningSize", kDefaultWarningSize, "警告サイズ取得：");
  RunSettings.WarningTitle = LoadText(kMainSection, "WarningTitle", kDefaultWarningTitle, "警告タイトル取得：");
  RunSettings.WarningMsg = LoadText(kMainSection, "WarningMsg", kDefaultWarningMsg, "警告メッセージ取得：");
  RunSettings.Visible =
      LoadNumber(kNoCheckSection, "Visible", kDefaultVisible, "chkNoCheckチェックボックスの表示取得：");
}

}  // namespace settings
