#include "profile/Profile.h"

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
};
constexpr ProfileLocation kProfileLocations[] = {
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles",
     "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles"},
    {"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles",
     "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles"},
    {"Software\\Microsoft\\Office\\16.0\\Outlook", "Software\\Microsoft\\Office\\16.0\\Outlook\\Profiles"},
    {"Software\\Microsoft\\Office\\15.0\\Outlook", "Software\\Microsoft\\Office\\15.0\\Outlook\\Profiles"},
};

// The profile section that lists the profile's message stores.
constexpr const char* kStoreListSection = "9207f3e0a3b11019908b08002b2a56c2";

// Value names are property tags: the property type (001e 8-bit text, 001f UTF-16
// text, 0102 binary) after the property id.
constexpr const char* kStoreList = "01023d00";
constexpr const char* kDisplayNameAnsi = "001e3001";
constexpr const char* kDisplayNameUnicode = "001f3001";
constexpr const char* kPathAnsi = "001e6700";
constexpr const char* kPathUnicode = "001f6700";

constexpr std::size_t kSectionIdSize = 16;

std::string ReadText(const std::string& key, const char* name) {
  return GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadText, "").AsText();
}

std::string ReadUnicodeText(const std::string& key, const char* name) {
  return GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadBytes, "").AsText();
}

}  // namespace

std::string FindDefaultProfile(const std::string& logPath) {
  // The first location that names a default profile is used even when no key of
  // that name is below it (the run then finds no stores): a profile at a later
  // location is not the one the client goes by.
  for (const ProfileLocation& location : kProfileLocations) {
    const std::string name = ReadText(location.defaultProfileKey, "DefaultProfile");
    if (name.empty()) continue;
    std::string profileKey = std::string(location.profiles) + "\\" + name;
    mdlLogFile::WriteLog(logPath, "プロファイル名取得：" + profileKey, 0);
    return profileKey;
  }
  return {};
}

std::vector<std::string> ReadStoreSections(const std::string& profileKey, const std::string& logPath) {
  // The list is taken at its stored length: cutting its trailing zero bytes would
  // drop a last store whose identifier happens to end in zeros.
  const mdlRegistry::Bytes list =
      mdlRegistry::GetRegBytesAsStored(RegistryRoot::CurrentUser, profileKey + "\\" + kStoreListSection, kStoreList);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> sections;
  std::string name;
  for (std::size_t i = 0; i + kSectionIdSize <= list.size(); i += kSectionIdSize) {
    name.clear();
    for (std::size_t j = i; j < i + kSectionIdSize; ++j) {
      name += kDigits[list[j] >> 4];
      name += kDigits[list[j] & 0x0F];
    }
    sections.push_back(name);
  }
  mdlLogFile::WriteLog(logPath, "プロファイルのサブキー取得", 0);
  return sections;
}

void ReadStoreEntry(const std::string& profileKey, const std::string& section, StoreInfo& store) {
  const std::string sectionKey = profileKey + "\\" + section;
  store.StoreUid = section;

  store.StoreDisplayName = ReadText(sectionKey, kDisplayNameAnsi);
  store.StoreFormat = "97-2002";
  if (store.StoreDisplayName.empty()) {
    store.StoreDisplayName = ReadUnicodeText(sectionKey, kDisplayNameUnicode);
    store.StoreFormat = "2003";
  }

  store.StorePath = ReadText(sectionKey, kPathAnsi);
  if (store.StorePath.empty()) store.StorePath = ReadUnicodeText(sectionKey, kPathUnicode);
}

}  // namespace profile
