#include "platform/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace platform {
namespace {

// The XDG base folder named by `variable` when it is absolute and not the root
// (which no user owns), else `fallback` under the home folder; empty when there
// is neither.
std::string BaseFolder(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
    std::string folder = value;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder != "/") return folder;
  }
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : (home == "/" ? "" : home) + fallback;
}

}  // namespace

UserFolders UserDataFolders() {
  const std::string config = BaseFolder("XDG_CONFIG_HOME", "/.config");
  const std::string state = BaseFolder("XDG_STATE_HOME", "/.local/state");
  if (config.empty() || state.empty()) return {};
  return {config, state};
}

std::string SystemSettingsFolder() { return "/etc"; }

}  // namespace platform
