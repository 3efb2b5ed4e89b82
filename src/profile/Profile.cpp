#include "profile/Profile.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "profile/mdlRegistry.h"

namespace profile {
namespace {

using mdlRegistry::GetRegValue;
using platform::RegistryRoot;

// Where the mail client keeps its profiles, in the order they are tried: the
// NT-family location, the older one for clients that still use it, then the
// locations of the 2016-and-later and the 2013 clients. Those keep the name of the
// default profile in the key above their profiles, the older two in the profiles
// key itself.
struct ProfileLocation {
  const char* defaultProfileKey;  // holds "DefaultProfile"
  const char* profiles;           // holds one key per profile
  const char* version;            // the client's version whose profiles these are; nullptr: any older one
};
constexpr ProfileLocation kProfileLocations[] = {
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles",
     "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles", nullptr},
    {"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles",
     "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles", nullptr},
    {"Software\\Microsoft\\Office\\16.0\\Outlook", "Software\\Microsoft\\Office\\16.0\\Outlook\\Profiles", "16.0"},
    {"Software\\Microsoft\\Office\\15.0\\Outlook", "Software\\Microsoft\\Office\\15.0\\Outlook\\Profiles", "15.0"},
};
// The versions that keep their profiles in the older roots, newest first.
constexpr const char* kOlderVersions[] = {"14.0", "12.0", "11.0"};

// The profile section that lists the profile's message stores.
constexpr const char* kStoreListSection = "9207f3e0a3b11019908b08002b2a56c2";

// Value names are property tags: the property type (001e 8-bit text, 001f UTF-16
// text, 0102 binary, 0003 a 32-bit number) after the property id.
constexpr const char* kStoreList = "01023d00";
constexpr const char* kDisplayNameAnsi = "001e3001";
constexpr const char* kDisplayNameUnicode = "001f3001";
constexpr const char* kPathAnsi = "001e6700";
constexpr const char* kPathUnicode = "001f6700";
// The name of the message service that opened the store, in the store's section
// and in the service's own, which the store's section names.
constexpr const char* kServiceNameAnsi = "001e3d09";
constexpr const char* kServiceNameUnicode = "001f3d09";
constexpr const char* kServiceSection = "01023d0c";
// The section that a message service keeps its global settings in, and the path of
// an Exchange service's offline file there.
constexpr const char* kGlobalSection = "01023d15";
constexpr const char* kOfflinePathAnsi = "001e6610";
constexpr const char* kOfflinePathUnicode = "001f6610";
// The personal-folder file's flags; the bit 0x80000000 is set for a Unicode file.
constexpr const char* kPstFlags = "00036770";
constexpr std::uint8_t kPstFlagUnicodeTopByte = 0x80;

constexpr std::size_t kSectionIdSize = 16;

// The name of the default profile keeps the 256-byte read of the client's own
// readers: profile names are short (the client's dialog takes 64 characters), and
// a longer value is none the client wrote.
std::string ReadText(const std::string& key, const char* name) {
  return GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadText, "").AsText();
}

// The store's own values are read whole, however long: a deep folder's path runs
// past the 256 bytes of the text buffer. UTF-16 text ends at its first NUL, as
// Windows takes it.
std::string ReadWholeText(const std::string& key, const char* name) {
  return GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadText, "", mdlRegistry::Extent::Whole)
      .AsText();
}

std::string ReadWholeUnicodeText(const std::string& key, const char* name) {
  std::string text =
      GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadBytes, "", mdlRegistry::Extent::Whole)
          .AsText();
  text.resize(std::min(text.find('\0'), text.size()));
  return text;
}

std::string SectionName(const std::uint8_t* id) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name;
  for (std::size_t i = 0; i < kSectionIdSize; ++i) {
    name += kDigits[id[i] >> 4];
    name += kDigits[id[i] & 0x0F];
  }
  return name;
}

// The format that the service named in the profile section `key` opens: its
// personal-folder services open one format each; any other service, or none,
// tells nothing.
std::optional<PstFormat> FormatOfService(const std::string& key) {
  std::string service = ReadWholeText(key, kServiceNameAnsi);
  if (service.empty()) service = ReadWholeUnicodeText(key, kServiceNameUnicode);
  if (service == "MSPST MS") return PstFormat::Ansi;
  if (service == "MSUPST MS") return PstFormat::Unicode;
  return std::nullopt;
}

// The personal-folder format as the profile records it, first answer wins: the
// service named in the store's section, the one named in the service's section,
// the file's flags, and only then which kind of display name the store has.
// Current clients write every name in UTF-16, whatever the file's format.
PstFormat StoreFormatOf(const std::string& profileKey, const std::string& sectionKey, bool hasAnsiName) {
  if (const auto format = FormatOfService(sectionKey)) return *format;
  const mdlRegistry::Bytes service =
      mdlRegistry::GetRegBytesAsStored(RegistryRoot::CurrentUser, sectionKey, kServiceSection);
  if (service.size() == kSectionIdSize) {
    if (const auto format = FormatOfService(profileKey + "\\" + SectionName(service.data()))) return *format;
  }
  const mdlRegistry::Bytes flags = mdlRegistry::GetRegBytesAsStored(RegistryRoot::CurrentUser, sectionKey, kPstFlags);
  // Four bytes, low byte first: the Unicode bit is the top bit of the last one.
  if (flags.size() == 4) return (flags[3] & kPstFlagUnicodeTopByte) != 0 ? PstFormat::Unicode : PstFormat::Ansi;
  return hasAnsiName ? PstFormat::Ansi : PstFormat::Unicode;
}

}  // namespace

const char* FormatText(PstFormat format) { return format == PstFormat::Ansi ? "97-2002" : "2003"; }

const char* KindText(StoreKind kind) { return kind == StoreKind::Pst ? "pst" : "ost"; }

StoreKind KindOfPath(std::string_view path) {
  if (path.size() < 4) return StoreKind::Pst;
  std::string end(path.substr(path.size() - 4));
  for (char& c : end)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return end == ".ost" ? StoreKind::Ost : StoreKind::Pst;
}

void SetSize(StoreInfo& store, std::int64_t sizeKb) {
  store.SizeKb = sizeKb;
  store.StoreSizeKb = std::to_string(sizeKb);
}

std::string ClientVersion(const std::string& profileKey) {
  for (const ProfileLocation& location : kProfileLocations) {
    if (location.version != nullptr && profileKey.starts_with(std::string(location.profiles) + "\\"))
      return location.version;
  }
  for (const char* version : kOlderVersions) {
    if (platform::RegistryKeyExists(RegistryRoot::CurrentUser,
                                    std::string("Software\\Microsoft\\Office\\") + version + "\\Outlook"))
      return version;
  }
  return kOlderVersions[0];
}

std::vector<std::string> ProfileRoots() {
  std::vector<std::string> roots;
  for (const ProfileLocation& location : kProfileLocations) roots.emplace_back(location.profiles);
  return roots;
}

std::string FindDefaultProfile(const std::string& logPath) {
  // The first location that names a default profile is used even when no key of
  // that name is below it (the run then finds no stores): a profile at a later
  // location is not the one the client goes by.
  for (const ProfileLocation& location : kProfileLocations) {
    const std::string name = ReadText(location.defaultProfileKey, "DefaultProfile");
    if (name.empty()) continue;
    std::string profileKey = std::string(location.profiles) + "\\" + name;
    mdlLogFile::WriteLog(logPath, texts::Str(texts::Id::ProfileFound) + profileKey, 0);
    return profileKey;
  }
  return {};
}

std::vector<std::string> ReadStoreSections(const std::string& profileKey, const std::string& logPath) {
  // The list is taken whole at its stored length: cutting its trailing zero bytes
  // would drop a last store whose identifier happens to end in zeros, and a
  // profile of tens of thousands of stores is still a profile.
  const mdlRegistry::Bytes list = mdlRegistry::GetRegBytesAsStored(
      RegistryRoot::CurrentUser, profileKey + "\\" + kStoreListSection, kStoreList, mdlRegistry::kNoLimit);
  std::vector<std::string> sections;
  for (std::size_t i = 0; i + kSectionIdSize <= list.size(); i += kSectionIdSize) {
    sections.push_back(SectionName(list.data() + i));
  }
  mdlLogFile::WriteLog(logPath, texts::Str(texts::Id::StoreListRead), 0);
  return sections;
}

void ReadStoreEntry(const std::string& profileKey, const std::string& section, StoreInfo& store) {
  const std::string sectionKey = profileKey + "\\" + section;
  store.StoreUid = section;

  const std::string ansiName = ReadWholeText(sectionKey, kDisplayNameAnsi);
  store.StoreDisplayName = ansiName.empty() ? ReadWholeUnicodeText(sectionKey, kDisplayNameUnicode) : ansiName;
  store.StorePath = ReadWholeText(sectionKey, kPathAnsi);
  if (store.StorePath.empty()) store.StorePath = ReadWholeUnicodeText(sectionKey, kPathUnicode);
  store.StoreFormat = StoreFormatOf(profileKey, sectionKey, !ansiName.empty());
  store.StoreKind = KindOfPath(store.StorePath);
  store.StoreSizeKb.clear();
  store.SizeKb = 0;
  store.StoreLimitKb = 0;
  store.StoreAliases.clear();
}

std::optional<OfflineFile> ReadOfflineFile(const std::string& profileKey, const std::string& section) {
  const auto sectionNamed = [&](const std::string& key, const char* value) -> std::optional<std::string> {
    const mdlRegistry::Bytes id = mdlRegistry::GetRegBytesAsStored(RegistryRoot::CurrentUser, key, value);
    if (id.size() != kSectionIdSize) return std::nullopt;
    return SectionName(id.data());
  };
  const std::string storeKey = profileKey + "\\" + section;
  std::optional<std::string> global = sectionNamed(storeKey, kGlobalSection);
  if (!global) {
    if (const auto service = sectionNamed(storeKey, kServiceSection))
      global = sectionNamed(profileKey + "\\" + *service, kGlobalSection);
  }
  if (!global) return std::nullopt;
  const std::string globalKey = profileKey + "\\" + *global;
  std::string path = ReadWholeUnicodeText(globalKey, kOfflinePathUnicode);
  if (path.empty()) path = ReadWholeText(globalKey, kOfflinePathAnsi);
  if (path.empty()) return std::nullopt;
  return OfflineFile{*global, std::move(path)};
}

OfflineFiles::OfflineFiles(const std::string& profileKey, const std::vector<std::string>& sections) {
  for (const std::string& section : sections)
    if (auto offline = ReadOfflineFile(profileKey, section)) {
      reaching_[offline->globalSection].push_back(section);
      offlineOf_.emplace(section, std::move(*offline));
    }
}

void OfflineFiles::Complete(const std::string& section, StoreInfo& store) {
  const auto entry = offlineOf_.find(section);
  if (!store.StorePath.empty() || entry == offlineOf_.end() || !given_.insert(entry->second.globalSection).second)
    return;
  for (const std::string& other : reaching_[entry->second.globalSection])
    if (other != section) store.StoreAliases.push_back(other);
  store.StorePath = entry->second.path;
  store.StoreKind = StoreKind::Ost;
  store.StoreFormat = PstFormat::Unicode;
}

}  // namespace profile
