#pragma once
// Linux only: which file systems are mounted where, and which of them may leave
// a look at a file unanswered.

#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

struct Mount {
  std::string point;  // where it is mounted, as the kernel spells it
  bool mayNotAnswer;  // not a local disk's, memory's or the kernel's own
};

// The mounts a /proc/self/mountinfo text lists, in its order (a later mount at
// the same point hides an earlier one). A line that cannot be read is taken as a
// mount that may not answer, at no point.
std::vector<Mount> ParseMountTable(std::string_view text);

// Whether a file system is mounted that is not a local disk's, memory's or the
// kernel's own (NFS, SMB, FUSE, an automounter's): one that may wait on a server
// or a program that never answers, so that a look at a file must be bounded.
// The mount table is read once a process.
bool SomeFileSystemMayNotAnswer();

// The point of the mount that holds `path` (absolute; compared without regard
// to ASCII case below the root, as Wine finds a Windows path's folders) when it
// is one that may not answer; empty otherwise.
std::string SilentMountOf(const std::string& path);

}  // namespace platform::posix
