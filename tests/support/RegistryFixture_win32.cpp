// Windows: the fixture writes the real registry with the wide-character calls,
// so what the program reads through the narrow ones is Windows' own conversion.
#include <windows.h>

#include <vector>

#include "platform/CodePage.h"
#include "support/RegistryFixture.h"

namespace testing_support {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string units = platform::Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

// Deletes `key` when it holds neither values nor sub-keys.
void DeleteIfEmpty(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
  DWORD subKeys = 0;
  DWORD values = 0;
  const LONG status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subKeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
}

void DeleteTestKeys() {
  for (const std::string root :
       {RegistryFixture::kTestRoot, RegistryFixture::kNtProfiles, RegistryFixture::kOldProfiles,
        RegistryFixture::kClient16, RegistryFixture::kClient15}) {
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(root).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Wide(root).c_str());
    // The parents the fixture had to create, unless something else lives there.
    DeleteIfEmpty(root.substr(0, root.rfind('\\')));
  }
}

HKEY Create(const std::string& key) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
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
