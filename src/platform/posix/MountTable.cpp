// The mount table, as the kernel itself answers for it.
#include "platform/posix/MountTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace platform::posix {
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

bool SomeFileSystemMayNotAnswer() {
  // Mounts come and go far more rarely than files are looked at.
  static const bool local = OnlyLocalFileSystems();
  return !local;
}

}  // namespace platform::posix
