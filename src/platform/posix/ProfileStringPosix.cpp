// Linux has no profile-string service: the INI rules are ours (IniText), the
// protocol that replaces the file without losing an editor's save is FileReplace,
// and this shell reads the file, keeps writers apart and cleans up after them.
#include "platform/ProfileString.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/emulation/IniText.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FileReplace.h"

namespace platform {
namespace {
using posix::Fd;
using posix::FileIdentity;
using posix::OpenReadable;
using posix::Owners;
using posix::ReadableFile;
using posix::ReadRest;
using posix::WriteErrorOf;

// Reads the whole file at `path` into `bytes` (and its status into `*read`).
// Returns 0, or the error: ENOENT for a missing file, EISDIR for anything that is
// not a regular file (a folder, a pipe, a device).
int ReadFile(const std::string& path, std::string& bytes, struct stat* read = nullptr) {
  const ReadableFile file = OpenReadable(path, Owners::Anyone, UINTMAX_MAX);
  if (file.error != 0) return file.error;
  if (read) *read = file.info;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(file.info.st_size));
  return ReadRest(file.fd.get(), bytes) ? 0 : errno;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write must replace: the target of a symbolic link, so that a linked
// settings file stays linked. A link is followed only to a file of its own owner,
// the rule the kernel keeps for links in shared folders: a run of another account
// (root's) must not write through a link that someone else placed.
WriteError ResolveTarget(const std::string& path, std::string* target) {
  *target = path;
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return WriteError::None;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) {
    if (errno == ELOOP) return WriteError::LinkLoop;
    return errno == ENOENT ? WriteError::BrokenLink : WriteErrorOf(errno);
  }
  struct stat file {};
  if (::stat(resolved, &file) != 0) return WriteErrorOf(errno);
  if (file.st_uid != link.st_uid) return WriteError::ForeignLink;
  *target = resolved;
  return WriteError::None;
}

// The settings file itself cannot carry the lock: a writer replaces it, so a
// second writer waiting on the old file would read the old content once it got
// the lock. The folder stays put, and locking it leaves no file behind.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_.get() < 0) {
      error_ = WriteErrorOf(errno);
      return;
    }
    // A writer holds the lock for one small read and write; one that has not let
    // go after seconds has hung, and waiting for it would hang this run too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error_ = WriteErrorOf(errno);
        return;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        error_ = WriteError::Busy;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  ~FolderLock() {
    if (locked_) ::flock(fd_.get(), LOCK_UN);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return locked_; }
  // Why the lock could not be taken.
  WriteError error() const { return error_; }
  int fd() const { return fd_.get(); }

 private:
  Fd fd_;
  bool locked_ = false;
  WriteError error_ = WriteError::None;
};

// Whether no process has the id `pid`. A number that is no process id at all
// counts as a live one: this writer never names a copy with it.
bool IsGone(unsigned long long pid) {
  const auto id = static_cast<pid_t>(pid);
  return id > 0 && static_cast<unsigned long long>(id) == pid && ::kill(id, 0) == -1 && errno == ESRCH;
}

// Removes the copies of `path` that killed writers left in its folder. Under the
// writers' lock no other writer is making a copy, so every other copy is a
// leftover; one whose writer still runs is spared all the same.
void RemoveCopiesOfGoneWriters(const std::string& path, int folderFd) {
  const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* folder = ::fdopendir(listFd);
  if (!folder) {
    ::close(listFd);
    return;
  }
  const std::string name = path.substr(path.rfind('/') + 1);
  std::vector<std::string> left;
  while (const dirent* entry = ::readdir(folder)) {
    const auto writer = TemporaryCopyWriter(entry->d_name, name);
    if (writer && IsGone(*writer)) left.emplace_back(entry->d_name);
  }
  ::closedir(folder);
  for (const std::string& copy : left) ::unlinkat(folderFd, copy.c_str(), 0);
}

// The settings files as last read, indexed: a run looks every oversized store up
// in the exclusion list, which may hold thousands of lines, and reads each setting
// from the administrators' files and then the user's, in turn. Each is used again
// while it is the same file with the same size and times; this thread's own writes
// drop it.
struct CachedFile {
  std::string path;
  struct stat identity {};
  bool unicode = false;
  std::string text;  // code page 932, or UTF-8 for a Unicode file
  std::optional<ini::IniIndex> index;
};

// A run reads at most three: /etc/orvane's, the one beside the program and the user's.
constexpr std::size_t kCachedFiles = 4;
thread_local std::array<std::unique_ptr<CachedFile>, kCachedFiles> cachedFiles;

void Forget(const std::string& path) {
  for (auto& cached : cachedFiles)
    if (cached && cached->path == path) cached.reset();
}

// The indexed settings file at `path`; nullptr when it cannot be read.
CachedFile* ReadIndexed(const std::string& path) {
  struct stat now {};
  for (const auto& cached : cachedFiles) {
    if (cached && cached->path == path && ::stat(path.c_str(), &now) == 0 &&
        FileIdentity(now).Same(FileIdentity(cached->identity)))
      return cached.get();
  }
  Forget(path);
  auto file = std::make_unique<CachedFile>();
  if (ReadFile(path, file->text, &file->identity) != 0) return nullptr;
  file->path = path;
  if (ini::IsUtf16File(file->text)) {
    file->unicode = true;
    file->text = ini::Utf16FileText(file->text);
  }
  file->index.emplace(file->text, file->unicode ? ini::Encoding::Utf8 : ini::Encoding::Cp932);
  // Into a free place, else over the oldest.
  auto place = std::find(cachedFiles.begin(), cachedFiles.end(), nullptr);
  if (place == cachedFiles.end()) {
    std::rotate(cachedFiles.begin(), cachedFiles.begin() + 1, cachedFiles.end());
    place = cachedFiles.end() - 1;
  }
  *place = std::move(file);
  return place->get();
}

}  // namespace

ProfileFileState CheckProfileFile(const std::string& file) {
  struct stat link {};
  switch (OpenReadable(file, Owners::Anyone, UINTMAX_MAX).error) {
    case 0:
      return ProfileFileState::Readable;
    case ENOENT:
      return ::lstat(file.c_str(), &link) == 0 && S_ISLNK(link.st_mode) ? ProfileFileState::BrokenLink
                                                                        : ProfileFileState::Missing;
    case ELOOP:
      return ProfileFileState::LinkLoop;
    case EISDIR:
      return ProfileFileState::NotAFile;
    case EACCES:
    case EPERM:
      return ProfileFileState::AccessDenied;
    default:
      return ProfileFileState::Unreadable;
  }
}

bool LosesFirstSection(const std::string& file) {
  // Read as the settings are, from the same cached copy.
  const CachedFile* cached = ReadIndexed(file);
  return cached != nullptr && !cached->unicode && LosesFirstSection(std::string_view(cached->text));
}

void RemoveLeftCopies(const std::string& file) {
  std::string target;
  if (ResolveTarget(file, &target) != WriteError::None) return;
  const FolderLock lock(DirectoryOf(target));
  if (lock.locked()) RemoveCopiesOfGoneWriters(target, lock.fd());
}

std::size_t ReadProfileValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                             char* buffer, std::size_t size, const std::string& file) {
  if (CachedFile* cached = ReadIndexed(file)) {
    if (cached->unicode) {
      if (const auto value = cached->index->Find(FromAnsi(section), FromAnsi(key))) {
        return ini::CopyCut(ToAnsi(*value), buffer, size);
      }
    } else if (const auto value = cached->index->Find(section, key)) {
      return ini::CopyCut(*value, buffer, size);
    }
  }
  return ini::CopyCut(ini::CleanDefault(defaultValue), buffer, size);
}

WriteError WriteProfileEntry(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& file) {
  Forget(file);
  std::string target;
  if (const WriteError link = ResolveTarget(file, &target); link != WriteError::None) return link;
  FolderLock lock(DirectoryOf(target));
  if (!lock.locked()) return lock.error();
  RemoveCopiesOfGoneWriters(target, lock.fd());

  // Each round edits the file as it is; a round ends early when someone else
  // replaced the file meanwhile, and the next one edits theirs.
  for (int round = 0; round < 100; ++round) {
    std::string text;
    struct stat read {};
    const int readError = ReadFile(target, text, &read);
    // A file that exists but cannot be read must not be replaced by one key.
    if (readError != 0 && readError != ENOENT) return WriteErrorOf(readError);
    const bool exists = readError == 0;
    // The service refuses a file the user made read-only; renaming over it
    // would not.
    if (exists && ::access(target.c_str(), W_OK) != 0) return WriteErrorOf(errno);

    std::string updated;
    if (ini::IsUtf16File(text)) {
      const std::string utf8 = ini::Utf16FileText(text);
      updated = ini::EditedUtf16File(
          text, utf8, ini::SetValue(utf8, FromAnsi(section), FromAnsi(key), FromAnsi(value), ini::Encoding::Utf8));
    } else {
      updated = ini::SetValue(text, section, key, value);
    }
    if (exists && updated == text) return WriteError::None;

    const std::optional<FileIdentity> wasRead = exists ? std::optional(FileIdentity(read)) : std::nullopt;
    if (const auto done = posix::ReplaceWithCopy(target, updated, exists ? &read : nullptr, wasRead, lock.fd()))
      return *done;
  }
  return WriteError::Busy;
}

}  // namespace platform
