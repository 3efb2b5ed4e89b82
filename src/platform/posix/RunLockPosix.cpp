#include "platform/RunLock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/EndRequest.h"

namespace platform {
namespace {

// The name in the abstract namespace of local sockets, which no file backs and
// the kernel frees with the process: this user's, and the lock's.
sockaddr_un Address(const std::string& name, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = "orvane-" + std::to_string(::geteuid()) + "-" + name;
  const std::size_t size = std::min(text.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, text.data(), size);  // sun_path[0] stays 0: abstract
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  return address;
}

}  // namespace

RunLock::RunLock(const std::string& name, std::chrono::milliseconds limit) {
  socklen_t length = 0;
  const sockaddr_un address = Address(name, length);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      handle_ = static_cast<std::uintptr_t>(fd) + 1;
      return;
    }
    ::close(fd);
    if (EndRequested() || std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

RunLock::~RunLock() {
  if (handle_ != 0) ::close(static_cast<int>(handle_ - 1));
}

}  // namespace platform
