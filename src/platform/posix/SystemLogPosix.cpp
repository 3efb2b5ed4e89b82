// Linux: the system log's own socket, written to as syslog(3) writes it, but
// waited on only a bounded time: syslog(3) blocks once a receiver stops reading.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/EndRequest.h"
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

// How long a run may wait in all for a receiver whose queue is full: one that
// reads takes a burst of events within it, one that has stopped costs no more.
constexpr std::chrono::milliseconds kQueueWait{1000};
std::chrono::milliseconds queueWaitLeft = kQueueWait;

// Sends `message` whole, waiting for room in the receiver's queue while the
// run's wait lasts and the run is not asked to end.
bool Send(int fd, std::string_view message) {
  while (!message.empty()) {
    const ssize_t sent = ::send(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      message.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || queueWaitLeft.count() <= 0 || EndRequested())
      return false;
    pollfd room{fd, POLLOUT, 0};
    const auto before = std::chrono::steady_clock::now();
    const int waitMs = static_cast<int>(std::min<std::int64_t>(queueWaitLeft.count(), 100));
    ::poll(&room, 1, waitMs);
    queueWaitLeft -=
        std::max(std::chrono::milliseconds(1),
                 std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before));
  }
  return true;
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

  // The values cut so that the whole datagram fits what receivers take.
  std::string message = FormatBoundEventLine(header, id, fields, kEventLimit);
  if (kind == SOCK_STREAM) message += '\0';
  const bool sent = Send(fd, message);
  ::close(fd);
  return sent;
}

}  // namespace platform
