#pragma once
// Linux only: whether any file system mounted may leave a look at it unanswered.

namespace platform::posix {

// Whether a file system is mounted that is not a local disk's, memory's or the
// kernel's own (NFS, SMB, FUSE, an automounter's): one that may wait on a server
// or a program that never answers, so that a look at a file must be bounded.
// The mount table is read once a process.
bool SomeFileSystemMayNotAnswer();

}  // namespace platform::posix
