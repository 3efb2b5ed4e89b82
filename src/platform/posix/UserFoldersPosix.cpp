#include "platform/UserFolders.h"

#include "platform/FileSystem.h"
#include "platform/posix/XdgBase.h"

namespace platform {

UserFolders UserDataFolders() {
  const std::string home = HomeFolder();
  const std::string config = posix::XdgBaseFolder("XDG_CONFIG_HOME", "/.config", home);
  const std::string state = posix::XdgBaseFolder("XDG_STATE_HOME", "/.local/state", home);
  if (config.empty() || state.empty()) return {};
  return {config, state};
}

std::string SystemSettingsFolder() { return "/etc"; }

}  // namespace platform
