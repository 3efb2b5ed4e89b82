#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/CodePage.h"

namespace testing_support {

// Text as the mail client stores it in binary values: in the ANSI code page with
// one NUL, or in UTF-16LE with a NUL unit.
inline std::string Ansiz(const std::string& utf8) { return platform::ToAnsi(utf8) + '\0'; }
inline std::string Utf16z(const std::string& utf8) { return platform::Utf8ToUtf16Le(utf8) + std::string(2, '\0'); }

// Bytes from hexadecimal digits, two a byte ("0a1b" gives 0x0A 0x1B).
inline std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// The current user's registry for one test, starting without any of the keys
// below. On Windows it is the real registry (of the test's throwaway Wine prefix)
// and the keys are written with the wide-character calls; on Linux it is the
// user.reg of a temporary Wine prefix that WINEPREFIX points at while the fixture
// lives, written the way Wine writes it. Tests may only use keys under the roots
// below, which the fixture removes again.
class RegistryFixture {
 public:
  static constexpr const char* kTestRoot = "Software\\OrvaneTest";
  static constexpr const char* kNtProfiles =
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
  static constexpr const char* kOldProfiles = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
  // The keys of the 2016-and-later and the 2013 clients: "DefaultProfile" in the
  // key, the profiles below its "Profiles".
  static constexpr const char* kClient16 = "Software\\Microsoft\\Office\\16.0\\Outlook";
  static constexpr const char* kClient15 = "Software\\Microsoft\\Office\\15.0\\Outlook";
  // The keys of the 2010, 2007 and 2003 clients, which keep their profiles in the
  // older roots, and the mail client's own policy key.
  static constexpr const char* kClient14 = "Software\\Microsoft\\Office\\14.0\\Outlook";
  static constexpr const char* kClient12 = "Software\\Microsoft\\Office\\12.0\\Outlook";
  static constexpr const char* kClient11 = "Software\\Microsoft\\Office\\11.0\\Outlook";
  static constexpr const char* kClientPolicies = "Software\\Policies\\Microsoft\\Office";
  static constexpr const char* kPolicies = "Software\\Policies\\Orvane";
  // A key written as kMachine + path is the machine's (HKEY_LOCAL_MACHINE; on
  // Linux the prefix's system.reg); only kMachine + kPolicies may be used.
  static constexpr const char* kMachine = "HKLM\\";
  // The profile section that lists a profile's message stores.
  static constexpr const char* kStoreListSection = "9207f3e0a3b11019908b08002b2a56c2";

  RegistryFixture();
  ~RegistryFixture();
  RegistryFixture(const RegistryFixture&) = delete;
  RegistryFixture& operator=(const RegistryFixture&) = delete;

  // Text stored as UTF-16 with its terminating NUL, as REG_SZ unless `type` says otherwise.
  void SetText(const std::string& key, const std::string& name, const std::string& utf8, std::uint32_t type = 1);
  // Exactly `bytes`, with the given type (3 = REG_BINARY).
  void SetBytes(const std::string& key, const std::string& name, const std::string& bytes, std::uint32_t type = 3);
  void SetDword(const std::string& key, const std::string& name, std::uint32_t value);
  // A key without values.
  void CreateKey(const std::string& key);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The keys most profile tests write: the profile "Outlook" under the NT family's
// root, its store list, and the line a walk logs once it has the profile's keys.
namespace profile_keys {
inline const std::string kNtBase = RegistryFixture::kNtProfiles;
inline const std::string kClient16 = RegistryFixture::kClient16;
inline const std::string kClient15 = RegistryFixture::kClient15;
inline const std::string kProfileKey = kNtBase + "\\Outlook";
inline const std::string kStoreListKey = kProfileKey + "\\" + RegistryFixture::kStoreListSection;
inline const std::string kSubkeyLine = "プロファイルのサブキー取得";
}  // namespace profile_keys

}  // namespace testing_support
