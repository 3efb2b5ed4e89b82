#include "platform/FileSystem.h"

#include "platform/ProfileString.h"
#include "platform/win32/Wide.h"

namespace platform {
namespace {

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + name;
  return folder + L"\\" + name;
}

}  // namespace

std::string HomeFolder() {
  wchar_t profile[32768];
  const DWORD n = GetEnvironmentVariableW(L"USERPROFILE", profile, 32768);
  return n == 0 || n >= 32768 ? std::string() : win32::Narrow(std::wstring(profile, n));
}

bool CanReplaceFiles(const std::string& folder, const std::vector<std::string>& names) {
  if (names.empty()) return false;
  const std::wstring wide = win32::Widen(folder);
  // A file of the writers' own naming, made and gone again at once: only trying
  // tells whether this user may create files here (the folder's rights, a
  // read-only medium).
  const std::wstring probe = win32::Widen(
      TemporaryCopyName(win32::Narrow(Join(wide, win32::Widen(names.front()))), GetCurrentProcessId(), 0, 0));
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  for (const std::string& name : names) {
    const std::wstring path = Join(wide, win32::Widen(name));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    // Opened for writing and closed again, nothing written: the file's own rights.
    const HANDLE existing =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_ACCESS_DENIED) return false;
      continue;
    }
    CloseHandle(existing);
  }
  return true;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

FolderState CheckUserFolder(const std::string&) { return FolderState::Usable; }

bool CreateFolders(const std::string& folder) {
  const std::wstring wide = win32::Widen(folder);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::size_t slash = wide.find_last_of(L"\\/");
  // Up to the root of the drive ("C:\") or of the share.
  if (slash != std::wstring::npos && slash > 2 && !CreateFolders(win32::Narrow(wide.substr(0, slash)))) return false;
  return CreateDirectoryW(wide.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace platform
