#include "platform/FileQuery.h"

#include "platform/win32/Wide.h"

namespace platform {

FileStatus QueryFile(const std::string& path) {
  std::wstring wide = win32::Widen(path);
  // A full drive path longer than MAX_PATH is only reachable in its \\?\ form,
  // which takes the path literally: backslashes only.
  if (wide.size() >= MAX_PATH && wide.size() > 2 && wide[1] == L':' && (wide[2] == L'\\' || wide[2] == L'/')) {
    for (wchar_t& c : wide) c = c == L'/' ? L'\\' : c;
    wide.insert(0, L"\\\\?\\");
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return {};
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  const auto length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (length > static_cast<std::uint64_t>(INT64_MAX)) return {};
  return {true, static_cast<std::int64_t>(length)};
}

}  // namespace platform
