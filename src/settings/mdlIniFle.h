#pragma once

#include <string>

// Access to the settings file through the system's profile-string service.
namespace mdlIniFle {

// The value of `key` in `section` of the file at `path`, or the empty text when
// the file, section or key is missing or the value is empty. Blanks round the
// value and a pair of quotes round it are removed; a value longer than 1023 bytes
// in the ANSI code page comes back cut to whole characters within 1023 bytes.
// Never creates the file.
std::string GetIniValue(const std::string& path, const std::string& section, const std::string& key);

// Writes `value` under `section`/`key`, creating the file and section as needed. A
// value that the read would change (blanks at either end, or a pair of quotes
// round it) is written inside double quotes, so it reads back as it was given.
// Returns non-zero on success; zero, leaving the file as it was, when the write
// failed or the entry cannot be one line (a line break anywhere, '=' in the key,
// ']' in the section).
int SetIniValue(const std::string& path, const std::string& section, const std::string& key, const std::string& value);

// SetIniValue, telling the user when the value cannot be saved: one line in the
// log at `logPath` that names the key and says why in a few words (a read-only
// file, a full disk, a folder where the file should be), and the run goes on.
// The value counts as saved once it reads back as written. Returns whether it was.
bool SaveIniValue(const std::string& path, const std::string& section, const std::string& key, const std::string& value,
                  const std::string& logPath);

// The log line of a value that could not be saved: this, then the key and the
// reason: "設定ファイルに保存できません: WarningSize (書き込みが許可されていません)".
inline constexpr const char* kCannotSave = "設定ファイルに保存できません: ";

// `value` as the settings file holds it once written: each character the ANSI
// code page cannot hold becomes '?'. Equal to `value` for every text the code page
// can hold.
std::string AsStored(const std::string& value);

}  // namespace mdlIniFle
