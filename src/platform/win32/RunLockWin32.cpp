#include "platform/RunLock.h"

#include "platform/win32/Wide.h"

namespace platform {
namespace {

// A file's identity as its folder's volume and file number and its name (in
// upper case, as Windows compares names): the same however the path is spelled.
std::string IdentityOf(const std::string& file) {
  const std::size_t slash = file.find_last_of("\\/");
  if (slash == std::string::npos) return file;
  const HANDLE folder = CreateFileW(win32::Widen(file.substr(0, slash + 1)).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(folder, &info) != 0;
  CloseHandle(folder);
  if (!known) return file;
  std::wstring name = win32::Widen(file.substr(slash + 1));
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
         std::to_string(info.nFileIndexLow) + "\\" + win32::Narrow(name);
}

}  // namespace

RunLock::RunLock(const std::vector<std::string>& files, std::chrono::milliseconds limit) {
  std::vector<std::string> identities;
  for (const std::string& file : files)
    if (!file.empty()) identities.push_back(IdentityOf(file));
  // Local: one user's logon session, where no other account's programs run.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::Widen("Local\\Orvane-" + LockKey(identities)).c_str());
  if (mutex == nullptr) return;
  const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(limit.count()));
  // Abandoned: the run that held it ended without letting go; it is free.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    handle_ = reinterpret_cast<std::uintptr_t>(mutex);
    return;
  }
  CloseHandle(mutex);
}

RunLock::~RunLock() {
  if (handle_ == 0) return;
  ReleaseMutex(reinterpret_cast<HANDLE>(handle_));
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace platform
