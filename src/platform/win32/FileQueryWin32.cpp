#include "platform/FileQueryLook.h"

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

// `path` as it is opened: up to its first NUL, as Windows takes it, and a full
// path longer than MAX_PATH in its \\?\ form (which takes the path literally, so
// it is given the full path Windows would make of it).
std::wstring OpenablePath(const std::string& path) {
  std::wstring wide = win32::Widen(path);
  wide.resize(std::wcslen(wide.c_str()));
  const std::wstring full = FullPath(wide);
  if (full.size() >= MAX_PATH && full[1] == L':' && full[2] == L'\\') wide = L"\\\\?\\" + full;
  return wide;
}

// The volume and file number of an open file; empty when they cannot be had.
std::string IdentityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return {};
  return std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

}  // namespace

// The full path is made here, on the caller's thread, whose current folder it takes.
FileQuery::Look::Look(const std::string& windowsPath, std::size_t count)
    : path(win32::Narrow(OpenablePath(windowsPath))), startBytes(count) {}

bool FileQuery::Look::MayNotAnswer() const {
  // A local disk's root, "C:\", or the same after \\?\; anything else (a share,
  // \\server\..., a mapped drive, a removable one) may wait on what is not there.
  const std::wstring root = win32::Widen(path.substr(path.starts_with("\\\\?\\") ? 4 : 0, 3));
  if (root.size() != 3 || root[1] != L':' || root[2] != L'\\') return true;
  const UINT type = GetDriveTypeW(root.c_str());
  return type != DRIVE_FIXED && type != DRIVE_RAMDISK;
}

std::string FileQuery::Look::FileSystem() const {
  // The drive, "X:", or the share, "\\SERVER\SHARE", in upper case.
  std::string_view full = path;
  std::string_view root;
  const bool share = full.starts_with("\\\\?\\UNC\\") || (full.starts_with("\\\\") && !full.starts_with("\\\\?\\"));
  if (share) {
    full.remove_prefix(full[2] == '?' ? 8 : 2);
    const std::size_t server = full.find('\\');
    root = full.substr(0, server == std::string_view::npos ? server : full.find('\\', server + 1));
  } else {
    if (full.starts_with("\\\\?\\")) full.remove_prefix(4);
    if (full.size() < 2 || full[1] != ':') return {};
    root = full.substr(0, 2);
  }
  std::string upper(share ? "\\\\" : "");
  for (const char c : root) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper;
}

void FileQuery::Look::Run(const Reply& reply) const {
  const std::wstring wide = win32::Widen(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
  const auto length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (length > static_cast<std::uint64_t>(INT64_MAX)) return;
  TellFound(reply, static_cast<std::int64_t>(length), {});
  if (startBytes == 0) return;

  // Read without keeping anyone else from the file; its identity (volume and
  // file number) comes while it is open.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ReadStatus read = ReadStatus::Failed;
  std::string bytes;
  std::string identity;
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) read = ReadStatus::InUse;
    if (error == ERROR_ACCESS_DENIED) read = ReadStatus::AccessDenied;
    // Asking for its attributes alone is never refused for sharing: the identity still comes.
    const HANDLE attributes =
        CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (attributes != INVALID_HANDLE_VALUE) {
      identity = IdentityOf(attributes);
      CloseHandle(attributes);
    }
  } else {
    identity = IdentityOf(file);
    bytes.resize(startBytes);
    DWORD got = 0;
    if (GetFileType(file) == FILE_TYPE_DISK &&
        ReadFile(file, bytes.data(), static_cast<DWORD>(startBytes), &got, nullptr)) {
      read = ReadStatus::Read;
      bytes.resize(got);
    }
    CloseHandle(file);
  }
  TellStart(reply, read, read == ReadStatus::Read ? bytes : std::string(), identity);
}

}  // namespace platform
