// Linux: the paths in a Wine profile are Windows paths, mapped as Wine maps them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileQueryLook.h"
#include "platform/posix/DosPath.h"
#include "platform/posix/MountTable.h"
#include "platform/posix/WinePrefix.h"

namespace platform {

// The look takes the prefix chosen as it begins.
FileQuery::Look::Look(const std::string& windowsPath, std::size_t count)
    : path(windowsPath), context(posix::WinePrefix()), startBytes(count) {}

// Every look is bounded once any file system that may not answer is mounted: a
// link may lead from a local folder onto it.
bool FileQuery::Look::MayNotAnswer() const { return posix::SomeFileSystemMayNotAnswer(); }

std::string FileQuery::Look::FileSystem() const {
  return posix::SilentMountOf(posix::DosPathWithoutLooking(path, context));
}

void FileQuery::Look::Run(const Reply& reply) const {
  const std::optional<std::string> unixPath = posix::DosPathToUnix(path, context);
  struct stat info {};
  // stat follows links: a broken or looping link is no file. Only regular files
  // count; directories, pipes and devices are not personal-folder files.
  if (!unixPath || ::stat(unixPath->c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return;
  const std::string identity = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  TellFound(reply, static_cast<std::int64_t>(info.st_size), identity);
  if (startBytes == 0) return;

  // The file found, provided it is still that file: one put in its place
  // meanwhile (a pipe) is not read.
  const int fd = ::open(unixPath->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  ReadStatus read = errno == EACCES || errno == EPERM ? ReadStatus::AccessDenied : ReadStatus::Failed;
  std::string bytes;
  if (fd >= 0) {
    read = ReadStatus::Failed;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == info.st_dev &&
        opened.st_ino == info.st_ino) {
      bytes.resize(startBytes);
      std::size_t got = 0;
      ssize_t n = 0;
      while (got < startBytes && (n = ::pread(fd, bytes.data() + got, startBytes - got, static_cast<off_t>(got))) > 0)
        got += static_cast<std::size_t>(n);
      bytes.resize(got);
      if (n >= 0) read = ReadStatus::Read;
    }
    ::close(fd);
  }
  TellStart(reply, read, read == ReadStatus::Read ? bytes : std::string(), identity);
}

}  // namespace platform
