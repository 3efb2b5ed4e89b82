// Linux: bounded work in a child process. A request that the kernel has handed to
// a file system's server (a hung sshfs, a FUSE server that took it) cannot be
// interrupted, not even by SIGKILL; a thread waiting on one keeps its whole
// process from ending, a defunct process at every logon. A child left so is
// killed and forgotten: the run ends all the same, and the child with the
// request, whenever the server lets it go.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "platform/Bounded.h"
#include "platform/EndRequest.h"

namespace platform {
namespace {

// How often a wait looks whether the run was asked to end.
constexpr std::chrono::milliseconds kEndLookout{100};

// Children given up, reaped once they have ended so that none is left a zombie
// for long.
std::vector<pid_t>& GivenUp() {
  static std::vector<pid_t> pids;
  return pids;
}

void ReapGivenUp() {
  std::erase_if(GivenUp(), [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The child's side: each reply as its length (4 bytes) and its bytes.
[[noreturn]] void Serve(int fd, const std::function<void(const Reply&)>& work) {
  // A session's end ends the child too, whatever the run noted for itself.
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::signal(signal, SIG_DFL);
  int status = 0;
  try {
    work([fd](std::string_view piece) {
      const auto size = static_cast<std::uint32_t>(piece.size());
      char length[4];
      std::memcpy(length, &size, sizeof length);
      if (!WriteAll(fd, length, sizeof length) || !WriteAll(fd, piece.data(), piece.size())) ::_exit(1);
    });
  } catch (...) {
    status = 1;
  }
  ::_exit(status);
}

}  // namespace

struct BoundedWork::State {
  pid_t child = -1;  // -1: not begun, or over
  int from = -1;     // what the child sends
  bool ended = false;
  std::string received;  // bytes of replies not yet whole
  std::vector<std::string> replies;

  // Takes what the child has sent; false once it has closed its end.
  bool Receive() {
    char piece[65536];
    for (;;) {
      const ssize_t n = ::read(from, piece, sizeof piece);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
      if (n <= 0) return false;
      received.append(piece, static_cast<std::size_t>(n));
      while (received.size() >= 4) {
        std::uint32_t size = 0;
        std::memcpy(&size, received.data(), sizeof size);
        if (received.size() - 4 < size) break;
        replies.emplace_back(received.substr(4, size));
        received.erase(0, 4 + std::size_t{size});
      }
      if (n < static_cast<ssize_t>(sizeof piece)) return true;
    }
  }

  void Close() {
    if (from >= 0) ::close(from);
    from = -1;
    child = -1;
  }
};

BoundedWork::BoundedWork(std::function<void(const Reply&)> work) : state_(std::make_unique<State>()) {
  ReapGivenUp();
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    const int flags = ::fcntl(pipe[1], F_GETFL);
    ::fcntl(pipe[1], F_SETFL, flags & ~O_NONBLOCK);
    const std::function<void(const Reply&)> owned = std::move(work);
    Serve(pipe[1], owned);
  }
  ::close(pipe[1]);
  if (child < 0) {
    ::close(pipe[0]);
    return;
  }
  state_->child = child;
  state_->from = pipe[0];
}

BoundedWork::~BoundedWork() {
  if (state_->child > 0 && !state_->ended) {
    ::kill(state_->child, SIGKILL);
    GivenUp().push_back(state_->child);
  }
  state_->Close();
}

bool BoundedWork::Wait(std::chrono::milliseconds limit) {
  State& state = *state_;
  if (state.ended || state.child < 0) return state.ended;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (!state.Receive()) {
      // All sent: the child is ending, or has ended.
      while (::waitpid(state.child, nullptr, 0) < 0 && errno == EINTR) {
      }
      state.ended = true;
      state.Close();
      return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (EndRequested() || now >= deadline) break;
    pollfd ready{state.from, POLLIN, 0};
    const auto wait = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), kEndLookout);
    ::poll(&ready, 1, static_cast<int>(std::max<std::int64_t>(wait.count(), 1)));
  }
  // Stuck: killed, which ends it now or once the kernel lets it go.
  ::kill(state.child, SIGKILL);
  GivenUp().push_back(state.child);
  state.Close();
  return false;
}

const std::vector<std::string>& BoundedWork::Replies() const { return state_->replies; }

}  // namespace platform
