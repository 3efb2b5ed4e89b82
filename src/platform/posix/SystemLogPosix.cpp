// Linux: the system log's own socket, written to as syslog(3) writes it, but
// never waited on: syslog(3) blocks once a receiver stops reading.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/SystemLog.h"

namespace platform {
namespace {

constexpr const char* kSystemLog = "/dev/log";
constexpr int kFacilityUser = 1 << 3;
constexpr int kPriorityError = 3;
constexpr int kPriorityWarning = 4;

// A socket connected to the system log, of the kind it listens with; -1 when
// there is none to connect to.
int Connect(int* kind) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, kSystemLog, sizeof address.sun_path - 1);
  for (const int type : {SOCK_DGRAM, SOCK_STREAM}) {
    const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      *kind = type;
      return fd;
    }
    const int error = errno;
    ::close(fd);
    if (error != EPROTOTYPE) return -1;
  }
  return -1;
}

}  // namespace

bool WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& fields) {
  int kind = 0;
  // Opened and closed for each event, as the log is for each line: a run writes
  // none or a few, and keeps nothing open between them.
  const int fd = Connect(&kind);
  if (fd < 0) return true;

  char header[64];
  const time_t now = ::time(nullptr);
  struct tm local {};
  ::localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
  const int priority = kFacilityUser | (type == EventType::Warning ? kPriorityWarning : kPriorityError);
  std::snprintf(header, sizeof header, "<%d>%s orvane[%d]: ", priority, stamp, static_cast<int>(::getpid()));

  // The values cut until the whole datagram fits what receivers take.
  std::string message;
  for (std::size_t budget = kEventLimit;;) {
    message = header + FormatEventLine(id, BoundFields(fields, budget));
    if (message.size() <= kEventLimit || budget == 0) break;
    budget -= std::min(budget, message.size() - kEventLimit);
  }
  if (kind == SOCK_STREAM) message += '\0';
  const ssize_t sent = ::send(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  ::close(fd);
  return sent == static_cast<ssize_t>(message.size());
}

}  // namespace platform
