#pragma once
// One run at a time for one set of files: a double logon starts two at once, and
// their logs would run into each other.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Held while alive: the lock of the run's `files` (full paths), the same however
// their paths are spelled (through a link, with doubled separators): it is
// keyed by the identity of the folders that hold them. Taken when free or freed
// within `limit`, and let go by the process's end whatever ends it. No other
// account can take it or see it. Linux: a lock on a file in a folder only the
// user may write (XDG_RUNTIME_DIR, else the user's state folder), removed when
// let go; Windows: a
// mutex of the logon session. A run that cannot have it (or is asked to end
// while it waits) goes without, and holds nothing; where there is no such folder
// at all, the lock is held without any.
class RunLock {
 public:
  RunLock(const std::vector<std::string>& files, std::chrono::milliseconds limit);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  bool Held() const { return handle_ != 0; }

 private:
  std::uintptr_t handle_ = 0;
  std::string path_;  // Linux: the lock's file, removed as it is let go
};

// The key of a lock: a hash of `identities` (FNV-1a), 16 hexadecimal digits.
std::string LockKey(const std::vector<std::string>& identities);

}  // namespace platform
