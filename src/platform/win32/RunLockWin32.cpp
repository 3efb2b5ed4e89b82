#include "platform/RunLock.h"

#include "platform/win32/Wide.h"

namespace platform {

RunLock::RunLock(const std::string& name, std::chrono::milliseconds limit) {
  // Local: one user's logon session; the name has no backslash of its own.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::Widen("Local\\Orvane-" + name).c_str());
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
