#include "platform/TextFile.h"

#include <algorithm>

#include "platform/win32/Wide.h"
#include "platform/win32/WriteErrorWin32.h"

namespace platform {

WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  const bool create = mode == WriteMode::Create;
  const std::wstring wide = win32::Widen(path);
  const HANDLE file =
      CreateFileW(wide.c_str(), create ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  create ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
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

}  // namespace platform
