// Linux: journald's native socket where it listens, each field a journal field
// of its own; else the system log's own socket, written to as syslog(3) writes
// it. Either is waited on only a bounded time: syslog(3) blocks once a receiver
// stops reading.
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
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
constexpr const char* kJournal = "/run/systemd/journal/socket";
constexpr int kFacilityUser = 1 << 3;
constexpr int kPriorityError = 3;
constexpr int kPriorityWarning = 4;

// A socket connected to `path`, of the kind it listens with (datagrams, else a
// stream when `streamToo`); -1 when there is none to connect to.
int Connect(const char* path, bool streamToo, int* kind) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  for (const int type : {SOCK_DGRAM, SOCK_STREAM}) {
    if (type == SOCK_STREAM && !streamToo) return -1;
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

// Whose run it is: the login name, else the user id. A line relayed by rsyslog
// keeps nothing else of its owner.
std::string UserName() {
  const uid_t uid = ::geteuid();
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && *found->pw_name != '\0')
    return found->pw_name;
  return std::to_string(uid);
}

// One journal field: NAME=value on a line, or, for a value that holds a line
// break, NAME, a line break, the value's length (64 bits, little-endian) and the
// value.
void AppendJournalField(std::string& datagram, std::string_view name, std::string_view value) {
  datagram += name;
  if (value.find('\n') == std::string_view::npos) {
    datagram.append(1, '=').append(value).append(1, '\n');
    return;
  }
  datagram += '\n';
  std::uint64_t length = value.size();
  for (int i = 0; i < 8; ++i, length >>= 8) datagram += static_cast<char>(length & 0xFF);
  datagram.append(value).append(1, '\n');
}

// The event as journald takes it: the line as MESSAGE, the syslog identity, and
// each field as ORVANE_<KEY> (ORVANE_ID, ORVANE_PATH, ...).
std::string JournalEntry(EventType type, std::uint32_t id, const std::vector<EventField>& fields) {
  std::string entry;
  AppendJournalField(entry, "MESSAGE", FormatBoundEventLine("", id, fields, kEventLimit));
  AppendJournalField(entry, "PRIORITY", type == EventType::Warning ? "4" : "3");
  AppendJournalField(entry, "SYSLOG_FACILITY", "1");
  AppendJournalField(entry, "SYSLOG_IDENTIFIER", "orvane");
  AppendJournalField(entry, "SYSLOG_PID", std::to_string(::getpid()));
  AppendJournalField(entry, "ORVANE_ID", std::to_string(id));
  for (const EventField& field : BoundFields(fields, kEventLimit)) {
    std::string name = "ORVANE_";
    for (const char c : field.key) name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    AppendJournalField(entry, name, field.value);
  }
  return entry;
}

}  // namespace

bool WriteSystemEvent(EventType type, std::uint32_t id, const std::vector<EventField>& given) {
  std::vector<EventField> fields = given;
  fields.push_back({"user", UserName()});
  int kind = 0;
  // Opened and closed for each event, as the log is for each line: a run writes
  // none or a few, and keeps nothing open between them.
  if (const int journal = Connect(kJournal, false, &kind); journal >= 0) {
    const bool sent = Send(journal, JournalEntry(type, id, fields));
    ::close(journal);
    return sent;
  }
  const int fd = Connect(kSystemLog, true, &kind);
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
