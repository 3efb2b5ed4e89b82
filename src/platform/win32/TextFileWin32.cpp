#include "platform/TextFile.h"

#include <algorithm>

#include "platform/win32/Wide.h"

namespace platform {

bool WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  const bool create = mode == WriteMode::Create;
  const HANDLE file = CreateFileW(win32::Widen(path).c_str(), create ? GENERIC_WRITE : FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, create ? CREATE_ALWAYS : OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) && written > 0;
    bytes.remove_prefix(written);
  }
  return CloseHandle(file) && ok;
}

}  // namespace platform
