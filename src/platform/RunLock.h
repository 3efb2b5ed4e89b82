#pragma once
// One run at a time for one set of files: a double logon starts two at once, and
// their logs would run into each other.

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Held while alive: the lock named `name` (one for each log), shared by every run
// of this user's on this machine, taken when free or freed within `limit`, and
// let go by the process's end whatever ends it. Linux: an abstract socket's name;
// Windows: a mutex of the session. A run that cannot have it (or is asked to end
// while it waits) goes without, and holds nothing.
class RunLock {
 public:
  RunLock(const std::string& name, std::chrono::milliseconds limit);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  bool Held() const { return handle_ != 0; }

 private:
  std::uintptr_t handle_ = 0;
};

}  // namespace platform
