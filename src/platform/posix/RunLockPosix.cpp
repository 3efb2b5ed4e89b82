// Linux: a lock on a file in a folder that only the user may write, so that no
// other account can take the lock (and so silence the user's runs) or see it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "platform/EndRequest.h"
#include "platform/FileSystem.h"
#include "platform/RunLock.h"
#include "platform/posix/Owner.h"
#include "platform/posix/XdgBase.h"

namespace platform {
namespace {

// Whether `folder` is the user's and no one else may write in it.
bool IsPrivateFolder(const std::string& folder) {
  struct stat info {};
  return !folder.empty() && ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && posix::IsOwn(info) &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Where the user's locks are kept: the session's runtime folder, which the
// system makes the user's alone and empties at logout; else a folder of the
// user's state folder. Empty when neither is the user's alone.
std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) return runtime;
  const std::string state = posix::XdgBaseFolder("XDG_STATE_HOME", "/.local/state", HomeFolder());
  if (state.empty()) return {};
  // Made only in a tree of the user's own: a run of root's with another user's
  // HOME must not leave that user a folder of root's, which the user's own runs
  // could then not use.
  std::string existing = state;
  struct stat info {};
  while (::lstat(existing.c_str(), &info) != 0 && existing.find('/', 1) != std::string::npos)
    existing.erase(existing.rfind('/'));
  if (!posix::IsOwn(info)) return {};
  const std::string folder = state + "/orvane";
  return CreateFolders(folder) && IsPrivateFolder(folder) ? folder : std::string();
}

// A file's identity as its folder's device and inode and its name: the same
// however the path to the folder is spelled.
std::string IdentityOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return file;
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + "/" + file.substr(slash + 1);
}

// The lock file at `path` open and locked, or -1 once `deadline` has passed or the
// run is asked to end. A run lets go by removing the file and then closing it, so
// that only the run's own files remain; a run that locked a file meanwhile removed
// tries again with the file now there.
int LockAt(const std::string& path, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !posix::IsOwn(info)) {
      if (fd >= 0) ::close(fd);
      return -1;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (EndRequested() || std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    struct stat now {};
    if (::stat(path.c_str(), &now) == 0 && now.st_dev == info.st_dev && now.st_ino == info.st_ino) return fd;
    ::close(fd);
  }
}

}  // namespace

RunLock::RunLock(const std::vector<std::string>& files, std::chrono::milliseconds limit) {
  const std::string folder = LockFolder();
  if (folder.empty()) {
    handle_ = static_cast<std::uintptr_t>(-1);  // nowhere to keep one: no lock to wait for
    return;
  }
  std::vector<std::string> identities;
  for (const std::string& file : files)
    if (!file.empty()) identities.push_back(IdentityOf(file));
  path_ = folder + "/orvane-" + LockKey(identities) + ".lock";
  const int fd = LockAt(path_, std::chrono::steady_clock::now() + limit);
  if (fd >= 0) handle_ = static_cast<std::uintptr_t>(fd) + 1;
}

RunLock::~RunLock() {
  if (handle_ == 0 || handle_ == static_cast<std::uintptr_t>(-1)) return;
  ::unlink(path_.c_str());
  ::close(static_cast<int>(handle_ - 1));
}

}  // namespace platform
