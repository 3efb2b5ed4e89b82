#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/FileReplace.h"

namespace platform {
using posix::WriteErrorOf;

WriteError WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  const int flags =
      O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (mode == WriteMode::Create ? 0 : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return WriteErrorOf(errno);
  // The line that starts the file makes sure it is a file before emptying it; a
  // line added later cannot block on a pipe (O_NONBLOCK) or go through a link.
  WriteError result = WriteError::None;
  if (mode == WriteMode::Create) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      result = WriteErrorOf(errno);
    } else if (!S_ISREG(info.st_mode)) {
      result = WriteError::NotAFile;
    } else if (::ftruncate(fd, 0) != 0) {
      result = WriteErrorOf(errno);
    }
  }
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

}  // namespace platform
