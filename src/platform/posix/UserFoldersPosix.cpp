#include "platform/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/WinePrefix.h"

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
  const std::string home = posix::HomeFolder();
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

bool CanReplaceFiles(const std::string& folder, const std::vector<std::string>& names) {
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;
  for (const std::string& name : names) {
    std::string path = folder;
    if (path != "/") path += '/';
    path += name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), W_OK) != 0) return false;
  }
  return true;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

FolderState CheckUserFolder(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
    return FolderState::OtherOwner;
  return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 ? FolderState::WritableByOthers : FolderState::Usable;
}

bool CreateFolders(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !CreateFolders(folder.substr(0, slash))) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace platform
