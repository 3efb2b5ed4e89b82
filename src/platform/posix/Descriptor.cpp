#include "platform/posix/Descriptor.h"

#include <unistd.h>

#include <cerrno>

namespace platform::posix {

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

bool Fd::Close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
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
