// Windows: the fixture writes the real registry with the wide-character calls,
// so what the program reads through the narrow ones is Windows' own conversion.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "support/RegistryFixture.h"

namespace testing_support {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string units = platform::Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

// The root and path of a key the fixture was given.
std::pair<HKEY, std::wstring> Split(const std::string& key) {
  const std::string machine = RegistryFixture::kMachine;
  if (key.starts_with(machine)) return {HKEY_LOCAL_MACHINE, Wide(key.substr(machine.size()))};
  return {HKEY_CURRENT_USER, Wide(key)};
}

// Deletes `key` when it holds neither values nor sub-keys.
void DeleteIfEmpty(const std::string& key) {
  HKEY handle = nullptr;
  const auto [root, path] = Split(key);
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS) return;
  DWORD subKeys = 0;
  DWORD values = 0;
  const LONG status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subKeys == 0 && values == 0) RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
}

void DeleteTestKeys() {
  const std::string machinePolicies = std::string(RegistryFixture::kMachine) + RegistryFixture::kPolicies;
  for (const std::string key :
       {RegistryFixture::kTestRoot, RegistryFixture::kNtProfiles, RegistryFixture::kOldProfiles,
        RegistryFixture::kClient16, RegistryFixture::kClient15, RegistryFixture::kClient14, RegistryFixture::kClient12,
        RegistryFixture::kClient11, RegistryFixture::kClientPolicies, RegistryFixture::kPolicies,
        machinePolicies.c_str()}) {
    const auto [root, path] = Split(key);
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &handle) == ERROR_SUCCESS) {
      RegDeleteTreeW(handle, nullptr);
      RegCloseKey(handle);
    }
    RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
    // The parents the fixture had to create, unless something else lives there.
    DeleteIfEmpty(key.substr(0, key.rfind('\\')));
  }
}

HKEY Create(const std::string& key) {
  HKEY handle = nullptr;
  const auto [root, path] = Split(key);
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return handle;
}

void Set(const std::string& key, const std::string& name, std::uint32_t type, const std::string& bytes) {
  const HKEY handle = Create(key);
  if (handle == nullptr) return;
  // A byte past the data that is not zero: otherwise the call would add a NUL to
  // text stored without one.
  std::vector<BYTE> data(bytes.begin(), bytes.end());
  data.push_back(0xFF);
  data.push_back(0xFF);
  RegSetValueExW(handle, Wide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
}

}  // namespace

struct RegistryFixture::State {};

RegistryFixture::RegistryFixture() : state_(std::make_unique<State>()) { DeleteTestKeys(); }

RegistryFixture::~RegistryFixture() { DeleteTestKeys(); }

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& utf8,
                              std::uint32_t type) {
  Set(key, name, type, Utf16z(utf8));
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, const std::string& bytes,
                               std::uint32_t type) {
  Set(key, name, type, bytes);
}

void RegistryFixture::SetDword(const std::string& key, const std::string& name, std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  Set(key, name, REG_DWORD, bytes);
}

void RegistryFixture::CreateKey(const std::string& key) {
  if (const HKEY handle = Create(key)) RegCloseKey(handle);
}

}  // namespace testing_support
