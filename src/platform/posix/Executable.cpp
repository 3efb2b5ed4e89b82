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
      const std::string path(buffer.data(), static_cast<std::size_t>(n));
      const std::size_t slash = path.rfind('/');
      if (slash == std::string::npos) return {};
      std::string name = path.substr(slash + 1);
      const std::size_t dot = name.rfind('.');
      if (dot != std::string::npos && dot > 0) name.resize(dot);
      return {slash == 0 ? std::string("/") : path.substr(0, slash), name};
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
