#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The walk from the user's default mail profile to its message stores.
namespace profile {

// The format of a personal-folder file: the old ANSI one, which stops working at
// about 2 GB, or the Unicode one.
enum class PstFormat { Ansi, Unicode };

// The format as the log names it: "97-2002" or "2003".
const char* FormatText(PstFormat format);

// A personal-folder file (.pst) or an offline file (.ost), which the mail
// client keeps as a copy of a server's mailbox.
enum class StoreKind { Pst, Ost };

// "pst" or "ost".
const char* KindText(StoreKind kind);

// The kind a path names: an offline file when it ends in ".ost", in any case.
StoreKind KindOfPath(std::string_view path);

// One message store. The profile walk fills uid, name, path, format and kind; the
// store check decides the format and kind from the file's header where it can,
// and adds the size and the size the room left is measured to.
struct StoreInfo {
  std::string StoreUid;  // 32 upper-case hexadecimal digits
  std::string StoreDisplayName;
  std::string StorePath;  // a Windows path, as the mail profile holds it
  PstFormat StoreFormat = PstFormat::Ansi;
  std::string StoreSizeKb = {};  // decimal digits, as the log and the events spell the size
  std::int64_t SizeKb = 0;       // the same size as a number, for sums (SetSize keeps the two together)
  profile::StoreKind StoreKind = profile::StoreKind::Pst;
  std::int64_t StoreLimitKb = 0;  // where the file stops taking mail, in KB
  // The other sections that reach the same offline file (a mailbox and its
  // archive): the user's exclusion under any of them holds for the file.
  std::vector<std::string> StoreAliases = {};
};

// Gives `store` its size in KB, as a number and as the decimal digits that spell it.
void SetSize(StoreInfo& store, std::int64_t sizeKb);

// The registry keys (under HKEY_CURRENT_USER) that hold mail profiles, one key a
// profile, in the order FindDefaultProfile tries them.
std::vector<std::string> ProfileRoots();

// The mail client's version whose profile `profileKey` is: "16.0" or "15.0" for
// the profiles of 2013 and later, which sit below the client's own key; for the
// older profiles root, which the 2010 and older clients share, the newest of
// "14.0", "12.0" and "11.0" that has an Outlook key, else "14.0".
std::string ClientVersion(const std::string& profileKey);

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

// The offline file (.ost) that a server mailbox's store keeps its copy in: the
// path the store's service keeps in its global section (001f6610 in UTF-16, else
// 001e6610), which the store's section names (01023d15), or else the service's
// own section does (01023d0c, then its 01023d15). Nothing when the store names no
// such section or it holds no path. The mailbox and its online archive share one
// global section, named in `globalSection`.
struct OfflineFile {
  std::string globalSection;
  std::string path;
};
std::optional<OfflineFile> ReadOfflineFile(const std::string& profileKey, const std::string& section);

// The offline files of a profile's server mailboxes, for the stores whose entry
// names no file of its own. A mailbox and its archive keep one offline file: it
// goes to the first of their sections that reaches it, once, with the others as
// its aliases (an exclusion under any of them holds).
class OfflineFiles {
 public:
  OfflineFiles() = default;  // none: offline files are not watched
  OfflineFiles(const std::string& profileKey, const std::vector<std::string>& sections);

  // Gives `store`, read from `section` and naming no file, its offline file: the
  // path, the kind and the Unicode format every client since 2003 makes (unless
  // its header says otherwise).
  void Complete(const std::string& section, StoreInfo& store);

 private:
  std::map<std::string, std::vector<std::string>> reaching_;  // global section -> its sections
  std::map<std::string, OfflineFile> offlineOf_;              // section -> its offline file
  std::set<std::string> given_;                               // global sections given to a store
};

}  // namespace profile
