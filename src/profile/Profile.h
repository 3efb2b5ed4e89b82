#pragma once

#include <string>
#include <vector>

// The walk from the user's default mail profile to its message stores.
namespace profile {

// The registry path (under HKEY_CURRENT_USER) of the default mail profile, or the
// empty text when there is none. Logs the path when found.
std::string FindDefaultProfile();

// The profile's store sections as 32-digit upper-case names, in store-list order;
// empty when the list is missing. Logs that the list was read.
std::vector<std::string> ReadStoreSections(const std::string& profileKey);

// Reads one store section into mdlOrvane::CurrentStore (uid, display name, path,
// format). Missing values read as the empty text.
void ReadStoreEntry(const std::string& profileKey, const std::string& section);

}  // namespace profile
