// The registry through the narrow-character calls, so that every name and every
// text value passes through the ANSI code page exactly as the calls convert it.
#include "platform/Registry.h"

#include <windows.h>

#include "platform/CodePage.h"

namespace platform {
namespace {

// Query value, set value, create sub-key, enumerate sub-keys, notify, create link.
constexpr REGSAM kAccess = 0x3F;

HKEY ToHandle(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long OpenRegistryKey(RegistryRoot root, const std::string& subKey, RegistryKey* key) {
  *key = 0;
  HKEY opened = nullptr;
  const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
  const LONG status = RegOpenKeyExA(rootKey, ToAnsi(subKey).c_str(), 0, kAccess, &opened);
  if (status != ERROR_SUCCESS) return status;
  *key = reinterpret_cast<RegistryKey>(opened);
  return kRegistryOk;
}

long QueryRegistryValue(RegistryKey key, const std::string& name, unsigned char* buffer, std::uint32_t* size) {
  if (key == 0) return kRegistryBadHandle;
  DWORD count = *size;
  const LONG status = RegQueryValueExA(ToHandle(key), ToAnsi(name).c_str(), nullptr, nullptr, buffer, &count);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) *size = count;
  return status;
}

void CloseRegistryKey(RegistryKey key) {
  if (key != 0) RegCloseKey(ToHandle(key));
}

}  // namespace platform
