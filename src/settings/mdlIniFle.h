#pragma once

#include <string>

#include "platform/WriteError.h"

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
// The value counts as saved once it reads back as written. Returns None, or why it
// was not saved, the file left as it was (NotOneLine for a line break anywhere,
// '=' in the key, ']' in the section; NotReadBack when another line of the file
// wins over it, or it is longer than a read returns).
platform::WriteError SetIniValue(const std::string& path, const std::string& section, const std::string& key,
                                 const std::string& value);

// The log line of a value of `key` that could not be saved, and why:
// "設定ファイルに保存できません: WarningSize (書き込みが許可されていません)". A caller whose
// value could not be saved logs it as a failure, and the run goes on.
std::string CannotSave(const std::string& key, platform::WriteError why);

// `value` as the settings file holds it once written: each character the ANSI
// code page cannot hold becomes '?'. Equal to `value` for every text the code page
// can hold.
std::string AsStored(const std::string& value);

}  // namespace mdlIniFle
