#include "platform/FileSystem.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/Owner.h"

namespace platform {

std::string HomeFolder() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr && *env == '/') {
    home = env;
  } else if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    home = entry->pw_dir;
  }
  if (home.empty() || home.front() != '/') return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

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
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !posix::IsOwn(info))
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
