#include "platform/posix/Owner.h"

#include <unistd.h>

namespace platform::posix {

bool IsOwn(const struct stat& info) { return info.st_uid == ::geteuid(); }

bool IsOwnFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && IsOwn(info);
}

}  // namespace platform::posix
