// The Windows profile-string service does the INI work; around its write call we
// add what it lacks: a lock across processes and a replacement of the whole file
// that a crash or a full disk cannot leave half done.
#include "platform/ProfileString.h"

#include <atomic>
#include <cwctype>
#include <vector>

#include "platform/CodePage.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WriteErrorWin32.h"

// after windows.h, which it builds on
#include <aclapi.h>

namespace platform {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Reads the whole file at `path` into `bytes`. Returns ERROR_SUCCESS, or the
// error: ERROR_FILE_NOT_FOUND for a missing file.
DWORD ReadFileBytes(const std::wstring& path, std::string& bytes) {
  const Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  bytes.clear();
  char chunk[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return GetLastError();
    if (read == 0) return ERROR_SUCCESS;
    bytes.append(chunk, read);
  }
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  const Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                           written == bytes.size());
}

bool FlushFile(const std::wstring& path) {
  const Handle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && FlushFileBuffers(file.get());
}

// Gives the copy `temp` what the file `path` it is to replace has of its own: its
// attributes (hidden, say) and its security. An administrator's run must not leave
// a user's settings file the administrators' or open to others; the owner, which
// only a process with the privilege to restore files may set, stays the writer's
// where it cannot be given.
void TakeOver(const std::wstring& temp, const std::wstring& path, DWORD attributes) {
  SetFileAttributesW(temp.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  PSID owner = nullptr;
  PSID group = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR security = nullptr;
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, kWhat, &owner, &group, &dacl, nullptr, &security) !=
      ERROR_SUCCESS)
    return;
  std::wstring name = temp;
  SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
  SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, owner,
                        group, nullptr, nullptr);
  LocalFree(security);
}

// A writer replaces the settings file, so the file cannot carry the lock: a named
// mutex per settings file, named after its full path in lower case.
class FileLock {
 public:
  explicit FileLock(const std::wstring& path) : mutex_(CreateMutexW(nullptr, FALSE, MutexName(path).c_str())) {
    if (!mutex_.valid()) return;
    // A writer holds the lock for one small read and write; one that has not let
    // go after seconds has hung, and waiting for it would hang this run too. A
    // writer that died holding it leaves it abandoned, which hands it on.
    const DWORD wait = WaitForSingleObject(mutex_.get(), 10000);
    locked_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~FileLock() {
    if (locked_) ReleaseMutex(mutex_.get());
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return locked_; }

 private:
  static std::wstring MutexName(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n > 0 && n < full.size() ? n : 0);
    if (full.empty()) full = path;
    // FNV-1a: a mutex name cannot hold backslashes and is limited in length.
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : full) {
      hash = (hash ^ static_cast<unsigned long long>(std::towlower(static_cast<wint_t>(c)))) * 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\Orvane-profile-%016llx", hash);
    return name;
  }

  Handle mutex_;
  bool locked_ = false;
};

std::wstring TempPathBeside(const std::string& file) {
  static std::atomic<unsigned> counter{0};
  // Unique for ever: the service caches files by name and write time, so a reused
  // name could bring back a stale copy.
  return win32::Widen(TemporaryCopyName(file, GetCurrentProcessId(), GetTickCount64(), counter++));
}

// Whether no process has the id `pid`, or the one that has it has ended. A
// process this one may not open (another user's) counts as live, and so does a
// number that is no process id at all: this writer never names a copy with it.
bool IsGone(unsigned long long pid) {
  if (pid == 0 || pid > MAXDWORD) return false;
  const Handle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) return GetLastError() == ERROR_INVALID_PARAMETER;
  return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

// Removes the copies of `path` that killed writers left in its folder. Under the
// writers' lock no other writer is making a copy, so every other copy is a
// leftover; one whose writer still runs is spared all the same.
void RemoveCopiesOfGoneWriters(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  const std::string name = win32::Narrow(path.substr(folder.size()));
  // The pattern also matches short names and longer endings: each name found is
  // checked in full.
  WIN32_FIND_DATAW found;
  const HANDLE search =
      FindFirstFileExW((path + L".~*.tmp").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> left;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const auto writer = TemporaryCopyWriter(win32::Narrow(found.cFileName), name);
    if (writer && IsGone(*writer)) left.push_back(folder + found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const std::wstring& copy : left) DeleteFileW(copy.c_str());
}

}  // namespace

void RemoveLeftCopies(const std::string& file) {
  const std::wstring path = win32::Widen(file);
  const FileLock lock(path);
  if (lock.locked()) RemoveCopiesOfGoneWriters(path);
}

ProfileFileState CheckProfileFile(const std::string& file) {
  const std::wstring path = win32::Widen(file);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ProfileFileState::Missing;
    return error == ERROR_ACCESS_DENIED ? ProfileFileState::AccessDenied : ProfileFileState::Unreadable;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ProfileFileState::NotAFile;
  const Handle opened(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (opened.valid()) return ProfileFileState::Readable;
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
      return ProfileFileState::AccessDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      // Only a link that leads nowhere is there and cannot be found.
      return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ProfileFileState::BrokenLink
                                                              : ProfileFileState::Missing;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ProfileFileState::LinkLoop;
    default:
      return ProfileFileState::Unreadable;
  }
}

bool LosesFirstSection(const std::string& file) {
  const Handle opened(CreateFileW(win32::Widen(file).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  char start[64];
  DWORD got = 0;
  return opened.valid() && ReadFile(opened.get(), start, sizeof start, &got, nullptr) &&
         LosesFirstSection(std::string_view(start, got));
}

std::size_t ReadProfileValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                             char* buffer, std::size_t size, const std::string& file) {
  if (size == 0) return 0;
  const DWORD n = GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                           std::string(defaultValue).c_str(), buffer, static_cast<DWORD>(size),
                                           ToAnsi(file).c_str());
  return n;
}

WriteError WriteProfileEntry(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& file) {
  const std::wstring path = win32::Widen(file);
  const FileLock lock(path);
  if (!lock.locked()) return WriteError::Busy;
  RemoveCopiesOfGoneWriters(path);

  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return WriteError::NotAFile;
  // The service refuses a read-only file; a rename over it need not.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return WriteError::AccessDenied;
  std::string original;
  const DWORD read = ReadFileBytes(path, original);
  // A file that exists but cannot be read must not be replaced by one key.
  if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND) return win32::WriteErrorOf(read);

  // The service edits a copy; the copy then replaces the file in one step.
  const std::wstring temp = TempPathBeside(file);
  // The copy goes, and the error of the call that failed is the reason.
  auto discard = [&] {
    const DWORD cause = GetLastError();
    DeleteFileW(temp.c_str());
    return win32::WriteErrorOf(cause);
  };
  if (!WriteNewFile(temp, original)) return discard();
  std::string updated;
  if (!WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), std::string(value).c_str(),
                                  ToAnsi(win32::Narrow(temp)).c_str()) ||
      ReadFileBytes(temp, updated) != ERROR_SUCCESS)
    return discard();
  if (read == ERROR_SUCCESS && updated == original) {
    // Nothing changed: the user's file keeps its bytes and its time.
    DeleteFileW(temp.c_str());
    return WriteError::None;
  }
  if (read == ERROR_SUCCESS) TakeOver(temp, path, attributes);
  if (!FlushFile(temp) || !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return discard();
  return WriteError::None;
}

}  // namespace platform
