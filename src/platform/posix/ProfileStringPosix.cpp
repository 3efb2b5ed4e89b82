// Linux has no profile-string service: the INI rules are ours (IniText), and this
// shell reads the file and replaces it.
#include "platform/ProfileString.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/posix/IniText.h"

namespace platform {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and tells whether the close reported an error.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads the whole file at `path` into `bytes` (and its status into `*read`).
// Returns 0, or the error: ENOENT for a missing file, EISDIR for anything that is
// not a regular file (a folder, a pipe, a device).
int ReadFile(const std::string& path, std::string& bytes, struct stat* read = nullptr) {
  // Non-blocking: a settings file that is a pipe must not hang the run.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return errno;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EISDIR;
  if (read) *read = info;
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

WriteError ErrorOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return WriteError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return WriteError::DiskFull;
    case EISDIR:
      return WriteError::NotAFile;
    default:
      return WriteError::Other;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
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
    return errno == ENOENT ? WriteError::BrokenLink : ErrorOf(errno);
  }
  struct stat file {};
  if (::stat(resolved, &file) != 0) return ErrorOf(errno);
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
      error_ = ErrorOf(errno);
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
        error_ = ErrorOf(errno);
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

struct Copy {
  std::string name;
  struct stat identity;
};

// Gives the new file `fd` the owner, group and permissions of the file it
// replaces, `like`: a run of root's must not leave a user's settings file root's.
bool TakeOver(int fd, const struct stat& like) {
  struct stat own {};
  if (::fstat(fd, &own) != 0) return false;
  if ((own.st_uid != like.st_uid || own.st_gid != like.st_gid) && ::fchown(fd, like.st_uid, like.st_gid) != 0)
    return false;
  return ::fchmod(fd, like.st_mode & 07777) == 0;
}

// Writes `bytes` to a new file beside `path` (with the owner, group and
// permissions of `like` when given); sets `*error` and returns nothing when it
// cannot.
std::optional<Copy> WriteCopy(const std::string& path, std::string_view bytes, const struct stat* like, int* error) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = TemporaryCopyName(path, static_cast<unsigned long long>(::getpid()), random(), counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = errno;
    return std::nullopt;
  }
  Fd file(fd);
  Copy copy{temp, {}};
  bool written =
      WriteAll(fd, bytes) && (!like || TakeOver(fd, *like)) && ::fsync(fd) == 0 && ::fstat(fd, &copy.identity) == 0;
  if (!written) *error = errno;
  if (!file.Close() && written) {
    written = false;
    *error = errno;
  }
  if (!written) {
    ::unlink(temp.c_str());
    return std::nullopt;
  }
  return copy;
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `now` is still the file that was read as `read`: the same file, not
// replaced and not written since.
bool Unchanged(const struct stat& now, const struct stat& read) {
  return SameInode(now, read) && now.st_size == read.st_size && now.st_mtim.tv_sec == read.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == read.st_mtim.tv_nsec;
}

bool Exchange(const std::string& a, const std::string& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// Our copy stands at `path` and at `temp` the file that someone else put at
// `path` after we read it: puts theirs back, and the copy goes. Whoever replaced
// the file again meanwhile wins, as they would have without us.
void PutTheirsBack(const std::string& path, const std::string& temp, const struct stat& ours) {
  struct stat atTemp {};
  if (::lstat(temp.c_str(), &atTemp) != 0) return;
  struct stat putAtPath = ours;
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!Exchange(temp, path)) return;
    struct stat taken {};
    if (::lstat(temp.c_str(), &taken) != 0) return;
    if (SameInode(taken, putAtPath)) {
      // Nobody came between: what went back to `temp` is our copy, or a file of
      // theirs that a later one of theirs replaced.
      ::unlink(temp.c_str());
      return;
    }
    putAtPath = atTemp;
    atTemp = taken;
  }
}

enum class Install { Done, Changed, Failed };

// Puts the copy `temp` in the place of `path`, which was read as `*read` (null:
// it was missing). An editor may save the file by renaming its own copy over it
// at any moment, with no lock of ours to wait for: when the file is no longer the
// one that was read, nothing is replaced and Changed says that the edit must be
// made again. Sets `*error` when it fails.
Install InstallCopy(const Copy& copy, const std::string& path, const struct stat* read, int folderFd, int* error) {
  const std::string& temp = copy.name;
  auto failed = [&] {
    *error = errno;
    ::unlink(temp.c_str());
    return Install::Failed;
  };
  auto changed = [&] {
    ::unlink(temp.c_str());
    return Install::Changed;
  };
  if (read == nullptr) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
      ::fsync(folderFd);
      return Install::Done;
    }
    if (errno == EEXIST) return changed();
    if (errno != EINVAL && errno != ENOSYS) return failed();
    // A file system that cannot refuse to replace: look, then rename.
    struct stat now {};
    if (::lstat(path.c_str(), &now) == 0) return changed();
    if (::rename(temp.c_str(), path.c_str()) != 0) return failed();
    ::fsync(folderFd);
    return Install::Done;
  }

  struct stat now {};
  if (::stat(path.c_str(), &now) != 0 || !Unchanged(now, *read)) return changed();
  // Swapped in one step, so that the file taken out can be checked: if someone
  // replaced it between the look above and the swap, theirs goes back.
  if (!Exchange(temp, path)) {
    if (errno != EINVAL && errno != ENOSYS) return failed();
    // A file system that cannot swap: the look above has to do.
    if (::rename(temp.c_str(), path.c_str()) != 0) return failed();
    ::fsync(folderFd);
    return Install::Done;
  }
  struct stat taken {};
  if (::lstat(temp.c_str(), &taken) == 0 && Unchanged(taken, *read)) {
    ::unlink(temp.c_str());
    ::fsync(folderFd);
    return Install::Done;
  }
  PutTheirsBack(path, temp, copy.identity);
  return Install::Changed;
}

// A file that starts with the UTF-16LE byte order mark is a Unicode file, as the
// Windows service treats it: it is searched and edited as Unicode text and stays
// UTF-16, while names and values cross this interface in the ANSI code page.
constexpr std::string_view kUtf16Bom = "\xff\xfe";

bool IsUtf16File(std::string_view bytes) { return bytes.starts_with(kUtf16Bom); }

std::string Utf16FileText(std::string_view bytes) { return Utf16LeToUtf8(bytes.substr(kUtf16Bom.size())); }

// Where the character that starts `utf8Offset` bytes into the UTF-8 reading of the
// UTF-16LE `bytes` (as Utf16LeToUtf8 reads them) starts in `bytes`.
std::size_t Utf16Offset(std::string_view bytes, std::size_t utf8Offset) {
  const std::u16string units = FromUtf16Le(bytes);
  std::size_t at = 0;
  for (std::size_t read = 0; read < utf8Offset && at < units.size();) {
    const char16_t unit = units[at];
    const bool pair =
        unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 && units[at + 1] <= 0xDFFF;
    if (pair) {
      read += 4;
      at += 2;
      continue;
    }
    read += unit < 0x80 ? 1 : (unit < 0x800 ? 2 : 3);  // an unpaired surrogate reads as U+FFFD (3 bytes)
    ++at;
  }
  return at * 2;
}

// The Unicode file `bytes`, whose text reads as `text`, once that text has become
// `updated`. Only the characters that changed are encoded again: every other unit
// stays as the file had it, even one the UTF-8 reading cannot hold (an unpaired
// surrogate, an odd last byte).
std::string EditedUtf16File(std::string_view bytes, std::string_view text, std::string_view updated) {
  auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  std::size_t head = 0;
  while (head < text.size() && head < updated.size() && text[head] == updated[head]) ++head;
  while (head > 0 &&
         ((head < text.size() && continues(text[head])) || (head < updated.size() && continues(updated[head])))) {
    --head;
  }
  std::size_t tail = 0;
  while (tail < text.size() - head && tail < updated.size() - head &&
         text[text.size() - 1 - tail] == updated[updated.size() - 1 - tail]) {
    ++tail;
  }
  while (tail > 0 && continues(text[text.size() - tail])) --tail;
  const std::string_view units = bytes.substr(kUtf16Bom.size());
  const std::size_t from = Utf16Offset(units, head);
  const std::size_t to = Utf16Offset(units, text.size() - tail);
  return std::string(bytes.substr(0, kUtf16Bom.size() + from)) +
         Utf8ToUtf16Le(updated.substr(head, updated.size() - tail - head)) + std::string(units.substr(to));
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

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The indexed settings file at `path`; nullptr when it cannot be read.
const CachedFile* ReadIndexed(const std::string& path) {
  struct stat now {};
  for (const auto& cached : cachedFiles) {
    if (cached && cached->path == path && ::stat(path.c_str(), &now) == 0 && SameFile(now, cached->identity))
      return cached.get();
  }
  Forget(path);
  auto file = std::make_unique<CachedFile>();
  if (ReadFile(path, file->text, &file->identity) != 0) return nullptr;
  file->path = path;
  if (IsUtf16File(file->text)) {
    file->unicode = true;
    file->text = Utf16FileText(file->text);
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
  const Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) return ProfileFileState::Missing;
    return errno == EACCES || errno == EPERM ? ProfileFileState::AccessDenied : ProfileFileState::Unreadable;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return ProfileFileState::Unreadable;
  return S_ISREG(info.st_mode) ? ProfileFileState::Readable : ProfileFileState::NotAFile;
}

void RemoveLeftCopies(const std::string& file) {
  std::string target;
  if (ResolveTarget(file, &target) != WriteError::None) return;
  const FolderLock lock(DirectoryOf(target));
  if (lock.locked()) RemoveCopiesOfGoneWriters(target, lock.fd());
}

std::size_t ReadProfileValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                             char* buffer, std::size_t size, const std::string& file) {
  if (const CachedFile* cached = ReadIndexed(file)) {
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

bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value, const std::string& file,
                       WriteError* error) {
  auto fail = [error](WriteError why) {
    if (error) *error = why;
    return false;
  };
  if (!IsWritableProfileEntry(section, key, value)) return fail(WriteError::NotOneLine);
  if (file.empty()) return fail(WriteError::NoPlace);
  Forget(file);
  std::string target;
  if (const WriteError link = ResolveTarget(file, &target); link != WriteError::None) return fail(link);
  FolderLock lock(DirectoryOf(target));
  if (!lock.locked()) return fail(lock.error());
  RemoveCopiesOfGoneWriters(target, lock.fd());

  // Each round edits the file as it is; a round ends early when someone else
  // replaced the file meanwhile, and the next one edits theirs.
  for (int round = 0; round < 100; ++round) {
    std::string text;
    struct stat read {};
    const int readError = ReadFile(target, text, &read);
    // A file that exists but cannot be read must not be replaced by one key.
    if (readError != 0 && readError != ENOENT) return fail(ErrorOf(readError));
    const bool exists = readError == 0;
    // The service refuses a file the user made read-only; renaming over it
    // would not.
    if (exists && ::access(target.c_str(), W_OK) != 0) return fail(ErrorOf(errno));

    std::string updated;
    if (IsUtf16File(text)) {
      const std::string utf8 = Utf16FileText(text);
      updated = EditedUtf16File(
          text, utf8, ini::SetValue(utf8, FromAnsi(section), FromAnsi(key), FromAnsi(value), ini::Encoding::Utf8));
    } else {
      updated = ini::SetValue(text, section, key, value);
    }
    if (exists && updated == text) return true;

    int writeError = 0;
    const std::optional<Copy> copy = WriteCopy(target, updated, exists ? &read : nullptr, &writeError);
    if (!copy) return fail(ErrorOf(writeError));
    switch (InstallCopy(*copy, target, exists ? &read : nullptr, lock.fd(), &writeError)) {
      case Install::Done:
        return true;
      case Install::Failed:
        return fail(ErrorOf(writeError));
      case Install::Changed:
        break;
    }
  }
  return fail(WriteError::Busy);
}

}  // namespace platform
