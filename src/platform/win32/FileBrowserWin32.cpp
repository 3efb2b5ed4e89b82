#include "platform/FileBrowser.h"

#include <vector>

#include "platform/win32/Wide.h"

namespace platform {

bool StartFileBrowser(const std::string& commandLine) {
  // The module is named outright from the Windows folder, so an explorer.exe
  // beside the program or in the current folder is never the one started; the
  // command line the browser sees is still exactly the one given.
  wchar_t windows[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  std::wstring module;
  if (n > 0 && n < MAX_PATH) module = std::wstring(windows, n) + L"\\explorer.exe";

  std::wstring wide = win32::Widen(commandLine);
  std::vector<wchar_t> line(wide.begin(), wide.end());  // CreateProcessW may write into it
  line.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(module.empty() ? nullptr : module.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  // Let the browser take the foreground from this process.
  AllowSetForegroundWindow(process.dwProcessId);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace platform
