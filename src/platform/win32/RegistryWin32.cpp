// The registry through the narrow-character calls, so that every name and every
// text value passes through the ANSI code page exactly as the calls convert it.
#include "platform/Registry.h"

#include <windows.h>

#include "platform/CodePage.h"

namespace platform {
namespace {

// Policies are written by Group Policy in the 64-bit view; HKLM\Software\Policies
// is shared between the views, and asking for the 64-bit one keeps it so.
constexpr REGSAM kQueryAccess = KEY_QUERY_VALUE | KEY_WOW64_64KEY;

HKEY ToHandle(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long OpenRegistryKey(RegistryRoot root, const std::string& subKey, RegistryKey* key) {
  *key = 0;
  HKEY opened = nullptr;
  const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
  const LONG status = RegOpenKeyExA(rootKey, ToAnsi(subKey).c_str(), 0, kQueryAccess, &opened);
  if (status != ERROR_SUCCESS) return status;
  *key = reinterpret_cast<RegistryKey>(opened);
  return kRegistryOk;
}

long QueryRegistryValue(RegistryKey key, const std::string& name, unsigned char* buffer, std::uint32_t* size,
                        std::uint32_t* type) {
  if (key == 0) return kRegistryBadHandle;
  DWORD count = *size;
  DWORD stored = 0;
  const LONG status = RegQueryValueExA(ToHandle(key), ToAnsi(name).c_str(), nullptr, &stored, buffer, &count);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    *size = count;
    if (type) *type = stored;
  }
  return status;
}

std::vector<UnreadHive> TakeUnreadHives() { return {}; }

void CloseRegistryKey(RegistryKey key) {
  if (key != 0) RegCloseKey(ToHandle(key));
}

}  // namespace platform
