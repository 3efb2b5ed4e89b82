#include "platform/posix/Descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Owner.h"

namespace platform::posix {

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

bool Fd::Close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

ReadableFile OpenReadable(const std::string& path, Owners owners, std::uintmax_t limit, int flags) {
  ReadableFile file{Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | flags))};
  if (file.fd.get() < 0) {
    file.error = errno;
  } else if (::fstat(file.fd.get(), &file.info) != 0) {
    file.error = errno;
  } else if (!S_ISREG(file.info.st_mode)) {
    file.error = EISDIR;
  } else if (owners == Owners::OwnOnly && !IsOwn(file.info)) {
    file.error = EPERM;
  } else if (static_cast<std::uintmax_t>(file.info.st_size) > limit) {
    file.error = EFBIG;
  }
  if (file.error != 0) file.fd.Close();
  return file;
}

bool ReadRest(int fd, std::string& bytes) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

WriteError WriteErrorOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:  // a symbolic link where none is followed
      return WriteError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return WriteError::DiskFull;
    case EISDIR:
    case ENXIO:  // a pipe that nobody reads
      return WriteError::NotAFile;
    default:
      return WriteError::Other;
  }
}

}  // namespace platform::posix
