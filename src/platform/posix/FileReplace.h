#pragma once
// Linux only: the settings writers' protocol for replacing a file that someone
// else may replace meanwhile, an editor saving by renaming its own copy over it,
// with no lock of ours to wait for. The writer reads the file, writes its edit
// to a copy beside it and swaps the copy in only while the file is still the one
// it read; when someone else's came in between, theirs is put back and the edit
// is made again on it.

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WriteError.h"
#include "platform/posix/Descriptor.h"

namespace platform::posix {

// What a reader knows of the file it read: the file itself (device and inode),
// its size and its modification and status-change times.
struct FileIdentity {
  explicit FileIdentity(const struct stat& info) : info_(info) {}

  // Still the file that was read: the same file, not written since. The
  // status-change time is left out, as the swap that puts a copy in changes it on
  // the file it takes out.
  bool Unchanged(const FileIdentity& read) const;
  // The same file in every respect, status-change time included (a change of
  // owner or permissions too): what a copy of its text may be trusted for.
  bool Same(const FileIdentity& other) const;
  const struct stat& info() const { return info_; }

 private:
  struct stat info_;
};

// A writer's copy, written beside the file it is to replace.
struct Copy {
  std::string path;
  FileIdentity identity;
};

// Writes `bytes` to a new file beside `path`, named by TemporaryCopyName, with the
// owner, group and permissions of `like` when given (a run of root's must not
// leave a user's settings file root's). Nothing, and `*error`, when it cannot.
std::optional<Copy> WriteCopy(const std::string& path, std::string_view bytes, const struct stat* like,
                              WriteError* error);

enum class Install {
  Done,     // the copy is the file now
  Changed,  // someone else's file came in after the read and stays: edit it again
  Failed,   // `*error` says why; the file is as it was
};

// Puts `copy` in the place of `path`, which was read as `read` (nothing: it was
// missing), and fsyncs the folder `folderFd`. The copy is gone afterwards either
// way. `beforeSwap`, when given, runs between the last look at `path` and the swap
// (where an editor's save is hardest to catch; a test saves one there).
Install InstallCopy(const Copy& copy, const std::string& path, const std::optional<FileIdentity>& read, int folderFd,
                    WriteError* error, const std::function<void()>& beforeSwap = {});

// WriteCopy and InstallCopy in one: None once `bytes` are the file at `path`, the
// reason when they cannot be, nothing when someone else's file came in after the
// read (the edit is to be made again on theirs).
std::optional<WriteError> ReplaceWithCopy(const std::string& path, std::string_view bytes, const struct stat* like,
                                          const std::optional<FileIdentity>& read, int folderFd);

}  // namespace platform::posix
