#include "platform/FileQuery.h"

#include <cwchar>

#include "platform/win32/Wide.h"

namespace platform {
namespace {

// The full path Windows makes of `path` before it opens a file of a classic
// length ("." and ".." names, repeated and forward separators, trailing dots and
// spaces, the current folder), or `path` itself when it cannot be made.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(path.size() + MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.assign(length, L'\0');
  }
  return path;
}

}  // namespace

FileStatus QueryFile(const std::string& path) {
  std::wstring wide = win32::Widen(path);
  // Windows takes a path up to its first NUL.
  wide.resize(std::wcslen(wide.c_str()));
  // A full path longer than MAX_PATH is only reachable in its \\?\ form, which
  // takes the path literally: it is given the full path Windows would make of it.
  const std::wstring full = FullPath(wide);
  if (full.size() >= MAX_PATH && full[1] == L':' && full[2] == L'\\') wide = L"\\\\?\\" + full;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return {};
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  const auto length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (length > static_cast<std::uint64_t>(INT64_MAX)) return {};
  return {true, static_cast<std::int64_t>(length), {}};
}

}  // namespace platform
