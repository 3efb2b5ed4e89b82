#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/TextFile.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/FileReplace.h"
#include "platform/posix/Owner.h"

namespace platform {
namespace {

using posix::WriteErrorOf;

// Whether the file open at `fd` is one the run may write into: a regular file of
// the running user's, with no other name (a hard link) through which another's
// file could be reached.
WriteError Writable(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return WriteErrorOf(errno);
  if (!S_ISREG(info.st_mode)) return WriteError::NotAFile;
  if (!posix::IsOwn(info)) return WriteError::ForeignLink;
  if (info.st_nlink != 1) return WriteError::HardLink;
  return WriteError::None;
}

// The file at `path` opened for writing, never through a symbolic link and never
// waiting on a pipe; for Create emptied, or made anew when what stands there is
// not the user's alone (its name is removed: the file it names is left as it is).
int Open(const std::string& path, WriteMode mode, WriteError& error) {
  constexpr int kFlags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  if (mode == WriteMode::Append) {
    const int fd = ::open(path.c_str(), kFlags | O_CREAT | O_APPEND, 0666);
    if (fd < 0) {
      error = WriteErrorOf(errno);
    } else if ((error = Writable(fd)) != WriteError::None) {
      ::close(fd);
      return -1;
    }
    return fd;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      error = WriteError::None;
      return fd;
    }
    if (errno != EEXIST || (fd = ::open(path.c_str(), kFlags)) < 0) break;
    error = Writable(fd);
    if (error == WriteError::None) {
      if (::ftruncate(fd, 0) == 0) return fd;
      error = WriteErrorOf(errno);
    }
    ::close(fd);
    if ((error != WriteError::ForeignLink && error != WriteError::HardLink) || ::unlink(path.c_str()) != 0) return -1;
  }
  error = WriteErrorOf(errno);
  return -1;
}

}  // namespace

WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  WriteError result = WriteError::None;
  const int fd = Open(path, mode, result);
  if (fd < 0) return result == WriteError::None ? WriteError::Other : result;
  while (result == WriteError::None && !bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      result = n < 0 ? WriteErrorOf(errno) : WriteError::Other;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (::close(fd) != 0 && result == WriteError::None) result = WriteErrorOf(errno);
  return result;
}

OwnFileRead ReadOwnFile(const std::string& path, std::size_t limit, std::string* bytes) {
  const posix::ReadableFile file = posix::OpenReadable(path, posix::Owners::OwnOnly, limit, O_NOFOLLOW);
  switch (file.error) {
    case 0:
      break;
    case ENOENT:
      return OwnFileRead::Missing;
    case ELOOP:  // a symbolic link, never followed
    case EISDIR:
    case EPERM:
      return OwnFileRead::OthersFile;
    case EFBIG:
      return OwnFileRead::TooLarge;
    default:
      return OwnFileRead::Failed;
  }
  if (file.info.st_nlink != 1) return OwnFileRead::OthersFile;
  const posix::Fd& fd = file.fd;
  const struct stat& info = file.info;
  bytes->assign(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes->size()) {
    const ssize_t n = ::read(fd.get(), bytes->data() + got, bytes->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got != bytes->size()) return OwnFileRead::Failed;
  return OwnFileRead::Read;
}

WriteError ReplaceOwnFile(const std::string& path, std::string_view bytes) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const posix::Fd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.get() < 0) return WriteErrorOf(errno);
  // The run lock keeps other runs away; a round starts again only when something
  // else replaced the file meanwhile.
  for (int round = 0; round < 10; ++round) {
    struct stat read {};
    std::optional<posix::FileIdentity> there;
    if (::lstat(path.c_str(), &read) == 0) {
      if (!S_ISREG(read.st_mode)) return S_ISLNK(read.st_mode) ? WriteError::ForeignLink : WriteError::NotAFile;
      if (!posix::IsOwn(read)) return WriteError::ForeignLink;
      there.emplace(read);
    } else if (errno != ENOENT) {
      return WriteErrorOf(errno);
    }
    // The user's alone, whatever the umask.
    struct stat own {};
    own.st_uid = ::geteuid();
    own.st_gid = ::getegid();
    own.st_mode = S_IFREG | 0600;
    if (const auto done = posix::ReplaceWithCopy(path, bytes, &own, there, folderFd.get())) return *done;
  }
  return WriteError::Busy;
}

}  // namespace platform
