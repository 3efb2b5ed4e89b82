// Linux: the paths in a Wine profile are Windows paths, mapped as Wine maps them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <string_view>

#include "platform/FileQueryLook.h"
#include "platform/posix/DosPath.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

// File systems that answer from the machine itself: disks, memory and the
// kernel's own. Any other (NFS, SMB, FUSE, an automounter's) may wait on a server
// or a program that never answers.
constexpr std::string_view kLocalFileSystems[] = {
    "ext2",     "ext3",        "ext4",      "xfs",        "btrfs",      "f2fs",     "jfs",      "reiserfs", "zfs",
    "vfat",     "msdos",       "exfat",     "ntfs",       "ntfs3",      "hfsplus",  "iso9660",  "udf",      "squashfs",
    "erofs",    "overlay",     "tmpfs",     "ramfs",      "proc",       "sysfs",    "devtmpfs", "devpts",   "cgroup",
    "cgroup2",  "mqueue",      "hugetlbfs", "securityfs", "debugfs",    "tracefs",  "pstore",   "bpf",      "configfs",
    "efivarfs", "binfmt_misc", "fusectl",   "nsfs",       "rpc_pipefs", "selinuxfs"};

// Whether every file system mounted is one of those, as /proc/self/mountinfo
// (which the kernel answers itself) lists them: a line's type follows its " - ".
bool OnlyLocalFileSystems() {
  const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string table;
  char piece[8192];
  for (ssize_t n; (n = ::read(fd, piece, sizeof piece)) > 0;) table.append(piece, static_cast<std::size_t>(n));
  ::close(fd);
  if (table.empty()) return false;
  for (std::size_t at = 0; at < table.size();) {
    const std::size_t end = std::min(table.find('\n', at), table.size());
    const std::string_view line(table.data() + at, end - at);
    at = end + 1;
    const std::size_t dash = line.find(" - ");
    if (dash == std::string_view::npos) return false;
    const std::string_view rest = line.substr(dash + 3);
    const std::string_view type = rest.substr(0, rest.find(' '));
    if (std::find(std::begin(kLocalFileSystems), std::end(kLocalFileSystems), type) == std::end(kLocalFileSystems))
      return false;
  }
  return true;
}

}  // namespace

// The worker must not read the prefix chosen, which the run may change while a
// look that did not answer goes on: it gets its own copy.
FileQuery::Look::Look(const std::string& windowsPath, std::size_t count)
    : path(windowsPath), context(posix::WinePrefix()), startBytes(count) {}

bool FileQuery::Look::MayNotAnswer() const {
  // Read once a run's process: mounts come and go far more rarely than files are looked at.
  static const bool local = OnlyLocalFileSystems();
  return !local;
}

void FileQuery::Look::Run() {
  const std::optional<std::string> unixPath = posix::DosPathToUnix(path, context);
  struct stat info {};
  // stat follows links: a broken or looping link is no file. Only regular files
  // count; directories, pipes and devices are not personal-folder files.
  if (!unixPath || ::stat(unixPath->c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return;
  {
    const std::lock_guard lock(mutex);
    found = true;
    status.exists = true;
    status.length = static_cast<std::int64_t>(info.st_size);
    status.identity = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  }
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
  const std::lock_guard lock(mutex);
  status.startStatus = read;
  if (read == ReadStatus::Read) status.start = std::move(bytes);
}

}  // namespace platform
