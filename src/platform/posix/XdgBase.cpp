#include "platform/posix/XdgBase.h"

#include <cstdlib>

namespace platform::posix {

std::string XdgBaseFolder(const char* variable, const char* fallback, const std::string& home) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
    std::string folder = value;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder != "/") return folder;
  }
  return home.empty() ? std::string() : (home == "/" ? "" : home) + fallback;
}

}  // namespace platform::posix
