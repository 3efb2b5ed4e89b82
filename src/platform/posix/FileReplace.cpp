#include "platform/posix/FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

#include "platform/ProfileString.h"

namespace platform::posix {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Gives the new file `fd` the owner, group and permissions of `like`.
bool TakeOver(int fd, const struct stat& like) {
  struct stat own {};
  if (::fstat(fd, &own) != 0) return false;
  if ((own.st_uid != like.st_uid || own.st_gid != like.st_gid) && ::fchown(fd, like.st_uid, like.st_gid) != 0)
    return false;
  return ::fchmod(fd, like.st_mode & 07777) == 0;
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

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

}  // namespace

bool FileIdentity::Unchanged(const FileIdentity& read) const {
  const struct stat& a = info_;
  const struct stat& b = read.info_;
  return SameInode(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

bool FileIdentity::Same(const FileIdentity& other) const {
  return Unchanged(other) && info_.st_ctim.tv_sec == other.info_.st_ctim.tv_sec &&
         info_.st_ctim.tv_nsec == other.info_.st_ctim.tv_nsec;
}

std::optional<Copy> WriteCopy(const std::string& path, std::string_view bytes, const struct stat* like,
                              WriteError* error) {
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
    *error = WriteErrorOf(errno);
    return std::nullopt;
  }
  Fd file(fd);
  struct stat written {};
  bool ok = WriteAll(fd, bytes) && (!like || TakeOver(fd, *like)) && ::fsync(fd) == 0 && ::fstat(fd, &written) == 0;
  if (!ok) *error = WriteErrorOf(errno);
  if (!file.Close() && ok) {
    ok = false;
    *error = WriteErrorOf(errno);
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return std::nullopt;
  }
  return Copy{temp, FileIdentity(written)};
}

Install InstallCopy(const Copy& copy, const std::string& path, const std::optional<FileIdentity>& read, int folderFd,
                    WriteError* error, const std::function<void()>& beforeSwap) {
  const std::string& temp = copy.path;
  auto failed = [&] {
    *error = WriteErrorOf(errno);
    ::unlink(temp.c_str());
    return Install::Failed;
  };
  auto changed = [&] {
    ::unlink(temp.c_str());
    return Install::Changed;
  };
  if (!read) {
    if (beforeSwap) beforeSwap();
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
  if (::stat(path.c_str(), &now) != 0 || !FileIdentity(now).Unchanged(*read)) return changed();
  if (beforeSwap) beforeSwap();
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
  if (::lstat(temp.c_str(), &taken) == 0 && FileIdentity(taken).Unchanged(*read)) {
    ::unlink(temp.c_str());
    ::fsync(folderFd);
    return Install::Done;
  }
  PutTheirsBack(path, temp, copy.identity.info());
  return Install::Changed;
}

std::optional<WriteError> ReplaceWithCopy(const std::string& path, std::string_view bytes, const struct stat* like,
                                          const std::optional<FileIdentity>& read, int folderFd) {
  WriteError error = WriteError::None;
  const std::optional<Copy> copy = WriteCopy(path, bytes, like, &error);
  if (!copy) return error;
  switch (InstallCopy(*copy, path, read, folderFd, &error)) {
    case Install::Done:
      return WriteError::None;
    case Install::Failed:
      return error;
    case Install::Changed:
      break;
  }
  return std::nullopt;
}

}  // namespace platform::posix
