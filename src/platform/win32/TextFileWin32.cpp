#include <algorithm>

#include "platform/ProfileString.h"
#include "platform/TextFile.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WriteErrorWin32.h"

namespace platform {
namespace {

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Whether the open file has another name (a hard link), through which another
// account's file could be reached.
bool HasOtherNames(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
}

// The file at `path` opened for writing; for Create emptied, or made anew when it
// has other names (its name is removed: the file the others name is left as it is).
HANDLE Open(const std::wstring& path, WriteMode mode, DWORD& error) {
  const bool create = mode == WriteMode::Create;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const HANDLE file = CreateFileW(path.c_str(), create ? GENERIC_WRITE : FILE_APPEND_DATA, kShare, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) break;
    if (!HasOtherNames(file)) {
      if (!create || (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(file)))
        return file;
      error = GetLastError();
      CloseHandle(file);
      return INVALID_HANDLE_VALUE;
    }
    CloseHandle(file);
    if (!create || !DeleteFileW(path.c_str())) {
      error = ERROR_ACCESS_DENIED;
      return INVALID_HANDLE_VALUE;
    }
  }
  error = GetLastError();
  return INVALID_HANDLE_VALUE;
}

}  // namespace

WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  const std::wstring wide = win32::Widen(path);
  DWORD error = 0;
  const HANDLE file = Open(wide, mode, error);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return WriteError::NotAFile;
    return win32::WriteErrorOf(error);
  }
  WriteError result = WriteError::None;
  while (result == WriteError::None && !bytes.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
      result = win32::WriteErrorOf(GetLastError());
    bytes.remove_prefix(written);
  }
  if (!CloseHandle(file) && result == WriteError::None) result = win32::WriteErrorOf(GetLastError());
  return result;
}

OwnFileRead ReadOwnFile(const std::string& path, std::size_t limit, std::string* bytes) {
  const HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, kShare | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? OwnFileRead::Missing : OwnFileRead::Failed;
  }
  OwnFileRead result = OwnFileRead::Read;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    result = OwnFileRead::Failed;
  } else if (static_cast<unsigned long long>(size.QuadPart) > limit) {
    result = OwnFileRead::TooLarge;
  } else {
    bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes->empty() &&
        (!ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) || got != bytes->size()))
      result = OwnFileRead::Failed;
  }
  CloseHandle(file);
  return result;
}

WriteError ReplaceOwnFile(const std::string& path, std::string_view bytes) {
  static unsigned counter = 0;
  const std::wstring wide = win32::Widen(path);
  const std::wstring temp = win32::Widen(TemporaryCopyName(path, GetCurrentProcessId(), GetTickCount64(), counter++));
  const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return win32::WriteErrorOf(GetLastError());
  DWORD error = ERROR_SUCCESS;
  DWORD written = 0;
  if (!bytes.empty() &&
      (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size()))
    error = GetLastError();
  if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
  CloseHandle(file);
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temp.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error == ERROR_SUCCESS) return WriteError::None;
  DeleteFileW(temp.c_str());
  return win32::WriteErrorOf(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error);
}

}  // namespace platform
