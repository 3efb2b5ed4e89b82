#include "platform/TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool WriteToFile(const std::string& path, std::string_view bytes, WriteMode mode) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == WriteMode::Create ? O_TRUNC : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return false;
  bool ok = true;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace platform
