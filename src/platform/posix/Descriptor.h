#pragma once
// Linux only: a file descriptor that closes itself, the one way the platform layer
// opens a file it reads, and what an errno means for a write.

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/WriteError.h"

namespace platform::posix {

// A descriptor, closed when it goes.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and tells whether the close reported an error.
  bool Close();

 private:
  int fd_;
};

// Whose files a reader takes.
enum class Owners { Anyone, OwnOnly };

// A file opened for reading, or why not: `error` is open's or fstat's errno, or
// EISDIR for what is not a regular file (a folder, a pipe, a device), EPERM for a
// file of another account's (OwnOnly), EFBIG for one longer than the limit.
struct ReadableFile {
  Fd fd{-1};
  struct stat info {};
  int error = 0;
};

// Opens `path` for reading when it is a regular file of no more than `limit`
// bytes (and, with OwnOnly, of the running user's). It never waits: a pipe or a
// device there is opened without blocking and then refused, so nothing placed
// at the path can hold the run. `flags` adds to open's (O_NOFOLLOW).
ReadableFile OpenReadable(const std::string& path, Owners owners, std::uintmax_t limit, int flags = 0);

// The rest of the open file `fd` appended to `bytes`; false on a read error.
bool ReadRest(int fd, std::string& bytes);

// Why a write failed, from its errno (for the log too).
WriteError WriteErrorOf(int error);

}  // namespace platform::posix
