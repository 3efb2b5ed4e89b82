#pragma once
// The look itself, which each system's half implements (posix/FileQueryPosix.cpp,
// win32/FileQueryWin32.cpp); only FileQuery.cpp and they include this.

#include <mutex>

#include "platform/FileQuery.h"

namespace platform {

struct FileQuery::Look {
  // Takes what the look needs from the caller's thread (on Linux the prefix
  // chosen, on Windows the full path made from the current folder).
  Look(const std::string& path, std::size_t startBytes);
  // Whether the file may sit on a file system that can fail to answer (a network
  // share, a user-space file system): only such a look waits on a thread of its
  // own, since handing one over costs about as much as a local look itself.
  bool MayNotAnswer() const;
  // Finds the file, sets `found`, then reads its start, each result under the
  // mutex as it comes.
  void Run();

  std::string path;
  std::string context;
  std::size_t startBytes;
  std::mutex mutex;
  bool found = false;
  FileStatus status;
};

}  // namespace platform
