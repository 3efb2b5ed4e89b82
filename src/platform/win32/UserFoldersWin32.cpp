#include "platform/UserFolders.h"

#include "platform/win32/Wide.h"

namespace platform {

UserFolders UserDataFolders() {
  // The shell sets it for every logon; asking the shell itself would load shell32
  // into every run.
  wchar_t appData[32768];
  const DWORD n = GetEnvironmentVariableW(L"APPDATA", appData, 32768);
  if (n == 0 || n >= 32768) return {};
  const std::string folder = win32::Narrow(std::wstring(appData, n));
  return {folder, folder};
}

std::string SystemSettingsFolder() { return {}; }

}  // namespace platform
