// The mount table, as the kernel itself answers for it.
#include "platform/posix/MountTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "platform/emulation/FoldCase.h"

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

// A mount point as mountinfo writes it: a blank, tab, newline or backslash as
// three octal digits after a backslash.
std::string Unescaped(std::string_view field) {
  std::string point;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
      point += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
    } else {
      point += field[i];
    }
  }
  return point;
}

const std::vector<Mount>& Mounts() {
  // Mounts come and go far more rarely than files are looked at.
  static const std::vector<Mount> mounts = [] {
    std::string table;
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      char piece[8192];
      for (ssize_t n; (n = ::read(fd, piece, sizeof piece)) > 0;) table.append(piece, static_cast<std::size_t>(n));
      ::close(fd);
    }
    // No table to read: anything may not answer.
    return table.empty() ? std::vector<Mount>{{"", true}} : ParseMountTable(table);
  }();
  return mounts;
}

// Whether `point` is `path` or a folder above it: equal up to its end, which
// ends a component of `path`; below the root without regard to ASCII case.
bool Holds(const std::string& point, const std::string& path) {
  if (point == "/") return path.starts_with('/');
  if (point.empty() || path.size() < point.size() || (path.size() > point.size() && path[point.size()] != '/'))
    return false;
  return emulation::EqualIgnoringCase(std::string_view(path).substr(0, point.size()), point);
}

}  // namespace

std::vector<Mount> ParseMountTable(std::string_view text) {
  std::vector<Mount> mounts;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.empty()) continue;
    // "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw": the
    // point is the fifth field, the type follows " - ".
    std::string_view fields = line;
    std::string_view point;
    for (int i = 0; i < 5 && !fields.empty(); ++i) {
      const std::size_t blank = fields.find(' ');
      if (i == 4) point = fields.substr(0, blank);
      fields = blank == std::string_view::npos ? std::string_view() : fields.substr(blank + 1);
    }
    const std::size_t dash = line.find(" - ");
    if (dash == std::string_view::npos || point.empty()) {
      mounts.push_back({"", true});
      continue;
    }
    const std::string_view rest = line.substr(dash + 3);
    const std::string_view type = rest.substr(0, rest.find(' '));
    mounts.push_back({Unescaped(point), std::find(std::begin(kLocalFileSystems), std::end(kLocalFileSystems), type) ==
                                            std::end(kLocalFileSystems)});
  }
  return mounts;
}

bool SomeFileSystemMayNotAnswer() {
  static const bool some = std::any_of(Mounts().begin(), Mounts().end(), [](const Mount& m) { return m.mayNotAnswer; });
  return some;
}

std::string SilentMountOf(const std::string& path) {
  const Mount* holder = nullptr;
  for (const Mount& mount : Mounts())
    if (Holds(mount.point, path) && (holder == nullptr || mount.point.size() >= holder->point.size())) holder = &mount;
  return holder != nullptr && holder->mayNotAnswer ? holder->point : std::string();
}

}  // namespace platform::posix
