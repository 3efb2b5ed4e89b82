// The program run among file systems that do not answer, in a mount namespace of
// its own: a role of the test program's that mounts them and then becomes the
// program.
//
// ORVANE_CHILD_FOLDER: folders (separated by ':') whose FUSE server never reads a
// request, as a dead network mount; ORVANE_CHILD_TAKEN: folders whose server
// answers the kernel's greeting and then takes every request without answering
// (a hung sshfs): a process waiting on one cannot be killed until the server
// goes, 20 s later. ORVANE_CHILD_SYSLOG: a file that a system log of the role's
// own (/dev/log) writes each event it receives to, a line each, reading one
// event every ORVANE_CHILD_SYSLOG_PACE milliseconds (0 unless set).
// ORVANE_CHILD_JOURNAL: a file that a journald of the role's own
// (/run/systemd/journal/socket, in a /run of its own) writes each datagram it
// receives to, each after its length (8 bytes, little-endian).
#include <fcntl.h>
#include <linux/fuse.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildRole.h"

namespace {

std::vector<std::string> Folders(const char* variable) {
  std::vector<std::string> folders;
  const char* value = std::getenv(variable);
  const std::string list = value != nullptr ? value : "";
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find(':', at), list.size());
    folders.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return folders;
}

// A FUSE file system at `folder`; its device's descriptor, -1 on failure.
int MountFuse(const std::string& folder) {
  std::filesystem::create_directories(folder);
  const int fuse = open("/dev/fuse", O_RDWR);
  const std::string options = "fd=" + std::to_string(fuse) + ",rootmode=40000,user_id=0,group_id=0";
  if (fuse < 0 || mount("orvane-dead", folder.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) != 0) return -1;
  return fuse;
}

// The server that greets the kernel and then takes each request unanswered.
void ServeWithoutAnswering(int fuse) {
  if (fork() != 0) return;
  alarm(20);  // and then it goes, and the requests it took with it
  std::vector<char> request(1 << 20);
  bool greeted = false;
  for (;;) {
    const ssize_t n = read(fuse, request.data(), request.size());
    if (n < static_cast<ssize_t>(sizeof(fuse_in_header))) continue;
    fuse_in_header in{};
    std::memcpy(&in, request.data(), sizeof in);
    if (greeted || in.opcode != FUSE_INIT) continue;
    struct {
      fuse_out_header out;
      fuse_init_out init;
    } reply{};
    reply.out.len = sizeof reply;
    reply.out.unique = in.unique;
    reply.init.major = FUSE_KERNEL_VERSION;
    reply.init.minor = FUSE_KERNEL_MINOR_VERSION;
    reply.init.max_write = 4096;
    greeted = write(fuse, &reply, sizeof reply) == static_cast<ssize_t>(sizeof reply);
  }
}

// A datagram socket bound to `path`; -1 when it cannot be.
int Bind(const char* path) {
  const int receiver = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path);
  if (receiver < 0 || bind(receiver, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return -1;
  return receiver;
}

// A journald at its native socket, in a /run of the namespace's own.
bool ReceiveJournal(const std::string& file) {
  if (mount("none", "/run", "tmpfs", 0, nullptr) != 0 || mkdir("/run/systemd", 0755) != 0 ||
      mkdir("/run/systemd/journal", 0755) != 0)
    return false;
  const int receiver = Bind("/run/systemd/journal/socket");
  if (receiver < 0) return false;
  if (fork() != 0) {
    close(receiver);
    return true;
  }
  timeval quiet{3, 0};
  setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
  std::ofstream out(file, std::ios::binary);
  std::vector<char> entry(1 << 20);
  for (ssize_t n; (n = recv(receiver, entry.data(), entry.size(), 0)) > 0;) {
    for (int i = 0; i < 8; ++i) out.put(static_cast<char>(static_cast<std::uint64_t>(n) >> (8 * i) & 0xFF));
    out.write(entry.data(), n).flush();
  }
  _exit(0);
}

// A system log at /dev/log, in a /dev of the namespace's own.
bool ReceiveSystemLog(const std::string& file) {
  if (mount("none", "/dev", "tmpfs", 0, nullptr) != 0 || mknod("/dev/null", S_IFCHR | 0666, makedev(1, 3)) != 0)
    return false;
  // Where journald runs, the program would send to it rather than to /dev/log.
  if (access("/run/systemd/journal", F_OK) == 0 && mount("none", "/run/systemd/journal", "tmpfs", 0, nullptr) != 0)
    return false;
  const int receiver = Bind("/dev/log");
  if (receiver < 0) return false;
  if (fork() != 0) {
    close(receiver);
    return true;
  }
  const char* pace = std::getenv("ORVANE_CHILD_SYSLOG_PACE");
  const auto every = std::chrono::milliseconds(pace != nullptr ? std::atoi(pace) : 0);
  timeval quiet{3, 0};  // ends once the log has been quiet for 3 s
  setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
  std::ofstream out(file, std::ios::binary);
  char event[65536];
  for (ssize_t n; (n = recv(receiver, event, sizeof event, 0)) > 0;) {
    out.write(event, n).put('\n').flush();
    std::this_thread::sleep_for(every);
  }
  _exit(0);
}

const bool kDeadMountRole = testing_support::RegisterChildRole("run-with-dead-mount", [] {
  const char* program = std::getenv("ORVANE_CHILD_PROGRAM");
  if (program == nullptr || unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return 125;
  for (const std::string& folder : Folders("ORVANE_CHILD_FOLDER"))
    if (MountFuse(folder) < 0) return 125;
  for (const std::string& folder : Folders("ORVANE_CHILD_TAKEN")) {
    const int fuse = MountFuse(folder);
    if (fuse < 0) return 125;
    ServeWithoutAnswering(fuse);
    close(fuse);
  }
  if (const char* log = std::getenv("ORVANE_CHILD_SYSLOG"); log != nullptr && !ReceiveSystemLog(log)) return 125;
  if (const char* journal = std::getenv("ORVANE_CHILD_JOURNAL"); journal != nullptr && !ReceiveJournal(journal))
    return 125;
  for (const char* name : {"ORVANE_TEST_CHILD", "ORVANE_CHILD_FOLDER", "ORVANE_CHILD_TAKEN", "ORVANE_CHILD_SYSLOG",
                           "ORVANE_CHILD_JOURNAL"})
    unsetenv(name);
  char* argv[] = {const_cast<char*>(program), nullptr};
  execv(program, argv);
  return 126;
});

}  // namespace
