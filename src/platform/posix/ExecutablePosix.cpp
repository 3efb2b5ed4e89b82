#include "platform/Executable.h"

#include <unistd.h>

#include <vector>

namespace platform {

const char kPathSeparator = '/';

ExecutableLocation LocateExecutable() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      const std::string_view path(buffer.data(), static_cast<std::size_t>(n));
      return SplitExecutablePath(path, "/", path.starts_with('/') ? 1 : 0);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
