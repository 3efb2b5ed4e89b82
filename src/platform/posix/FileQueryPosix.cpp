// Linux: the paths in a Wine profile are Windows paths, mapped as Wine maps them.
#include "platform/FileQuery.h"

#include <sys/stat.h>

#include "platform/posix/DosPath.h"

namespace platform {

FileStatus QueryFile(const std::string& path) {
  const std::optional<std::string> unixPath = posix::DosPathToUnix(path);
  if (!unixPath) return {};
  struct stat info {};
  // stat follows links: a broken or looping link is no file. Only regular files
  // count; directories, pipes and devices are not personal-folder files.
  if (::stat(unixPath->c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return {};
  return {true, static_cast<std::int64_t>(info.st_size),
          std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino)};
}

}  // namespace platform
