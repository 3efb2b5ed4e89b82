#pragma once

#include <string>
#include <vector>

// The walk from the user's default mail profile to its message stores.
namespace profile {

// The format of a personal-folder file: the old ANSI one, which stops working at
// about 2 GB, or the Unicode one.
enum class PstFormat { Ansi, Unicode };

// The format as the log names it: "97-2002" or "2003".
const char* FormatText(PstFormat format);

// One message store. The profile walk fills uid, name, path and format; the store
// check adds the size.
struct StoreInfo {
  std::string StoreUid;  // 32 upper-case hexadecimal digits
  std::string StoreDisplayName;
  std::string StorePath;  // a Windows path, as the mail profile holds it
  PstFormat StoreFormat = PstFormat::Ansi;
  std::string StoreSizeKb;  // decimal digits
};

// The registry keys (under HKEY_CURRENT_USER) that hold mail profiles, one key a
// profile, in the order FindDefaultProfile tries them.
std::vector<std::string> ProfileRoots();

// The registry path (under HKEY_CURRENT_USER) of the default mail profile, or the
// empty text when there is none. Logs the path to the log at `logPath` when found.
std::string FindDefaultProfile(const std::string& logPath);

// The profile's store sections as 32-digit upper-case names, in store-list order;
// empty when the list is missing. Logs to the log at `logPath` that the list was read.
std::vector<std::string> ReadStoreSections(const std::string& profileKey, const std::string& logPath);

// Reads one store section into `store` (uid, display name, path, format); its size
// is left as it was. The name and the path are the 8-bit values when present, else
// the UTF-16 ones (which end at their first NUL), each read whole however long;
// missing values read as the empty text. The format is the one the profile
// records: the personal-folder service named in the store's section ("MSPST MS"
// for the ANSI format, "MSUPST MS" for Unicode), else in the service's own section,
// else the Unicode bit of the file's flags, else ANSI exactly when the 8-bit
// display name is present.
void ReadStoreEntry(const std::string& profileKey, const std::string& section, StoreInfo& store);

}  // namespace profile
