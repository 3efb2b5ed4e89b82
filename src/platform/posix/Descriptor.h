#pragma once
// Linux only: a file descriptor that closes itself, and what an errno means for a
// write, for every writer of the platform layer.

#include "platform/WriteError.h"

namespace platform::posix {

// A descriptor, closed when it goes.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and tells whether the close reported an error.
  bool Close();

 private:
  int fd_;
};

// Why a write failed, from its errno (for the log too).
WriteError WriteErrorOf(int error);

}  // namespace platform::posix
