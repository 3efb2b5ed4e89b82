// Where the program's settings and log go: the same on every system.
#include "platform/Executable.h"

namespace platform {

ExecutableLocation SplitExecutablePath(std::string_view path, std::string_view separators, std::size_t rootLength) {
  const std::size_t slash = path.find_last_of(separators);
  if (slash == std::string_view::npos) return {};
  std::string name(path.substr(slash + 1));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  const bool root = slash + 1 == rootLength;
  return {std::string(path.substr(0, root ? slash + 1 : slash)), name};
}

}  // namespace platform
