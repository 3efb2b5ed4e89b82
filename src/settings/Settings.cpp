#include "settings/Settings.h"

#include <charconv>

#include "log/Reasons.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "settings/Policy.h"
#include "settings/mdlIniFle.h"

namespace settings {
namespace {

constexpr const char* kMainSection = "Orvane";
constexpr const char* kNoCheckSection = "No Check";

// Where one LoadSettings call reads and logs.
struct Files {
  const std::string& ini;
  const std::string& log;
  const std::vector<std::string>& admin;
};

// A setting's text and the policy key it came from (empty: it did not).
struct Loaded {
  std::string text;
  std::string policy;
};

// The first of the policies and the administrators' files that sets `key`.
std::optional<Loaded> LoadMandatory(const Files& files, const char* section, const char* key, PolicyKind kind) {
  if (auto policy = ReadPolicy(key, kind)) return Loaded{std::move(policy->text), std::move(policy->source)};
  for (const std::string& admin : files.admin) {
    std::string set = mdlIniFle::GetIniValue(admin, section, key);
    if (!set.empty()) return Loaded{std::move(set), {}};
  }
  return std::nullopt;
}

// The text of a setting that has no default: the mandatory one when set, else
// the user's, else none.
std::optional<Loaded> LoadOptional(const Files& files, const char* section, const char* key, PolicyKind kind) {
  if (auto mandatory = LoadMandatory(files, section, key, kind)) return mandatory;
  std::string text = mdlIniFle::GetIniValue(files.ini, section, key);
  if (text.empty()) return std::nullopt;
  return Loaded{std::move(text), {}};
}

// The text of a setting: the mandatory one when set, else the user's; a missing
// one is `fallback`, written back into the user's file.
Loaded LoadSetting(const Files& files, const char* section, const char* key, PolicyKind kind,
                   const std::string& fallback) {
  if (auto mandatory = LoadMandatory(files, section, key, kind)) return std::move(*mandatory);
  std::string text = mdlIniFle::GetIniValue(files.ini, section, key);
  if (!text.empty()) return {std::move(text), {}};
  if (const platform::WriteError why = mdlIniFle::SetIniValue(files.ini, section, key, fallback);
      why != platform::WriteError::None)
    mdlLogFile::WriteFailure(files.log, mdlIniFle::CannotSave(key, why));
  return {fallback, {}};
}

void LogSetting(const Files& files, const std::string& line, const char* key, const Loaded& loaded) {
  mdlLogFile::WriteLog(files.log, line, 0);
  if (!loaded.policy.empty())
    mdlLogFile::WriteLog(files.log, texts::Because(texts::Id::SetByPolicy, key, loaded.policy), 0);
}

std::int32_t LoadNumber(const Files& files, const char* section, const char* key, std::int32_t fallback,
                        const std::string& label) {
  const Loaded loaded = LoadSetting(files, section, key, PolicyKind::Number, std::to_string(fallback));
  const std::int32_t value = ParseSetting(loaded.text).value_or(fallback);
  LogSetting(files, label + std::to_string(value), key, loaded);
  return value;
}

std::string LoadText(const Files& files, const char* section, const char* key, std::string_view fallback,
                     const std::string& label) {
  Loaded loaded = LoadSetting(files, section, key, PolicyKind::Text, std::string(fallback));
  LogSetting(files, label + loaded.text, key, loaded);
  return std::move(loaded.text);
}

// A number that has a default and is never written: the first that sets it, when
// within [least, most]; logged when set.
std::int32_t LoadOptionalNumber(const Files& files, const char* key, std::int32_t fallback, std::int32_t least,
                                std::int32_t most, texts::Id label) {
  const auto loaded = LoadOptional(files, kMainSection, key, PolicyKind::Number);
  if (!loaded) return fallback;
  std::int32_t value = ParseSetting(loaded->text).value_or(fallback);
  if (value < least || value > most) value = fallback;
  LogSetting(files, texts::Str(label) + std::to_string(value), key, *loaded);
  return value;
}

// How warned files are told apart by how near they are to the client's stop, and
// when each is shown again.
void LoadStages(const Files& files) {
  using texts::Id;
  RunSettings.UrgentPercent =
      LoadOptionalNumber(files, "UrgentPercent", kDefaultUrgentPercent, 1, 100, Id::UrgentPercentLine);
  RunSettings.RemindDays = LoadOptionalNumber(files, "RemindDays", 0, 0, 3650, Id::RemindDaysLine);
  RunSettings.ForecastWarningWeeks =
      LoadOptionalNumber(files, "ForecastWarningWeeks", 0, 0, 520, Id::ForecastWarningWeeksLine);
  const auto final = LoadMandatory(files, kMainSection, "FinalExclusions", PolicyKind::Number);
  RunSettings.FinalExclusions = final ? ParseSetting(final->text).value_or(0) : 0;
  if (RunSettings.FinalExclusions == 1)
    LogSetting(files, texts::Str(Id::FinalExclusionsLine), "FinalExclusions", *final);
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

void LoadSettings(const std::string& iniPath, const std::string& logPath,
                  const std::vector<std::string>& adminIniPaths) {
  const Files files{iniPath, logPath, adminIniPaths};
  using texts::Id;
  RunSettings.LimitSize =
      LoadNumber(files, kMainSection, "LimitSize", kDefaultLimitSize, texts::Str(Id::LimitSizeLine));
  RunSettings.WarningSize =
      LoadNumber(files, kMainSection, "WarningSize", kDefaultWarningSize, texts::Str(Id::WarningSizeLine));
  RunSettings.WarningTitle =
      LoadText(files, kMainSection, "WarningTitle", kDefaultWarningTitle, texts::Str(Id::WarningTitleLine));
  RunSettings.WarningMsg =
      LoadText(files, kMainSection, "WarningMsg", DefaultWarningMsg(), texts::Str(Id::WarningMsgLine));
  RunSettings.Visible = LoadNumber(files, kNoCheckSection, "Visible", kDefaultVisible, texts::Str(Id::VisibleLine));

  const auto reportOnly = LoadMandatory(files, kMainSection, "ReportOnly", PolicyKind::Number);
  RunSettings.ReportOnly = reportOnly ? ParseSetting(reportOnly->text).value_or(0) : 0;
  if (RunSettings.ReportOnly == 1) LogSetting(files, texts::Str(Id::ReportOnly), "ReportOnly", *reportOnly);

  LoadStages(files);

  // Unicode files are watched only when the organisation asks for it.
  RunSettings.LargeWarningSize = 0;
  RunSettings.LargeWarningMsg.clear();
  const auto large = LoadOptional(files, kMainSection, "LargeWarningSize", PolicyKind::Number);
  if (!large) return;
  RunSettings.LargeWarningSize = ParseSetting(large->text).value_or(0);
  LogSetting(files, texts::Str(Id::LargeWarningSizeLine) + std::to_string(RunSettings.LargeWarningSize),
             "LargeWarningSize", *large);
  if (RunSettings.LargeWarningSize <= 0) return;
  if (const auto message = LoadOptional(files, kMainSection, "LargeWarningMsg", PolicyKind::Text)) {
    RunSettings.LargeWarningMsg = message->text;
    LogSetting(files, texts::Str(Id::LargeWarningMsgLine) + message->text, "LargeWarningMsg", *message);
  }
}

std::string DefaultWarningMsg() { return texts::Str(texts::Id::DefaultWarningMsg); }

std::string DefaultLargeWarningMsg(std::int64_t stopKb) {
  // The stop in GB with at most one decimal, as the client's own sizes are given
  // (47.5GB, 19GB), and in KB grouped with ASCII commas, as in the ANSI message.
  constexpr std::int64_t kKbInGb = std::int64_t{1024} * 1024;
  const std::int64_t tenthsOfGb = (stopKb * 10 + kKbInGb / 2) / kKbInGb;
  std::string gb = std::to_string(tenthsOfGb / 10);
  if (tenthsOfGb % 10 != 0) gb.append(1, '.').append(std::to_string(tenthsOfGb % 10));
  const std::string digits = std::to_string(stopKb < 0 ? 0 : stopKb);
  std::string kb;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) kb += ',';
    kb += digits[i];
  }
  return texts::Fill(texts::Id::DefaultLargeWarningMsg, {gb, kb});
}

}  // namespace settings
