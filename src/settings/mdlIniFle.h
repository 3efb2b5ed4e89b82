#pragma once

#include <string>

// Access to the settings file through the system's profile-string service.
namespace mdlIniFle {

// The value of `key` in `section` of the file at `path`, or the empty text when
// the file, section or key is missing. Never creates the file.
std::string GetIniValue(const std::string& path, const std::string& section, const std::string& key);

// Writes `value` under `section`/`key`, creating the file and section as needed.
// Returns non-zero on success.
int SetIniValue(const std::string& path, const std::string& section, const std::string& key,
                const std::string& value);

}  // namespace mdlIniFle
