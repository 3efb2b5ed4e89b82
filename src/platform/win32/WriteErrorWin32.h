#pragma once
// Why a write failed, from a Windows error code: one reading for the settings
// writer and the log alike.

#include <windows.h>

#include "platform/WriteError.h"

namespace platform::win32 {

inline WriteError WriteErrorOf(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return WriteError::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return WriteError::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return WriteError::Busy;
    default:
      return WriteError::Other;
  }
}

}  // namespace platform::win32
