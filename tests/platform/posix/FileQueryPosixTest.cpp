// Linux: a look at a file on a file system that stops answering half-way, as a
// hung network mount does. What the look told before stays known, the file
// system is not asked again in the run, and the other file systems still are.
#include <fcntl.h>
#include <linux/fuse.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/Program.h"
#include "platform/FileQuery.h"
#include "support/ChildRole.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint64_t kFileLength = 123456;

template <typename Body>
void Answer(int fuse, std::uint64_t unique, const Body& body) {
  struct {
    fuse_out_header out;
    Body body;
  } reply{};
  reply.out.len = sizeof reply;
  reply.out.unique = unique;
  reply.body = body;
  if (write(fuse, &reply, sizeof reply) != static_cast<ssize_t>(sizeof reply)) _exit(1);
}

fuse_attr AttributesOf(std::uint64_t node) {
  fuse_attr attr{};
  attr.ino = node;
  attr.nlink = 1;
  attr.mode = node == FUSE_ROOT_ID ? S_IFDIR | 0755 : S_IFREG | 0644;
  attr.size = node == FUSE_ROOT_ID ? 0 : kFileLength;
  return attr;
}

// A server that finds every name (a file of kFileLength bytes) and then takes
// every other request (the open) without answering it, until it is killed.
[[noreturn]] void ServeNamesOnly(int fuse) {
  alarm(20);
  std::vector<char> request(1 << 20);
  for (;;) {
    const ssize_t n = read(fuse, request.data(), request.size());
    if (n < 0 && errno != EINTR) _exit(0);
    if (n < static_cast<ssize_t>(sizeof(fuse_in_header))) continue;
    fuse_in_header in{};
    std::memcpy(&in, request.data(), sizeof in);
    if (in.opcode == FUSE_INIT) {
      fuse_init_out init{};
      init.major = FUSE_KERNEL_VERSION;
      init.minor = FUSE_KERNEL_MINOR_VERSION;
      init.max_write = 4096;
      Answer(fuse, in.unique, init);
    } else if (in.opcode == FUSE_LOOKUP) {
      fuse_entry_out entry{};
      entry.nodeid = 2;
      entry.entry_valid = entry.attr_valid = 3600;
      entry.attr = AttributesOf(2);
      Answer(fuse, in.unique, entry);
    } else if (in.opcode == FUSE_GETATTR) {
      fuse_attr_out attributes{};
      attributes.attr_valid = 3600;
      attributes.attr = AttributesOf(in.nodeid);
      Answer(fuse, in.unique, attributes);
    }
  }
}

// What a look found and how long it took, in words the test compares.
std::string Told(const std::string& path) {
  const auto began = std::chrono::steady_clock::now();
  const platform::FileStatus status = platform::QueryFile(path, 4);
  const auto took = std::chrono::steady_clock::now() - began;
  std::ostringstream told;
  told << path << ": ";
  if (!status.answered) told << "no answer";
  if (status.answered) told << (status.exists ? std::to_string(status.length) + " bytes" : "no file");
  if (status.exists) {
    constexpr const char* kStarts[] = {"start read", "in use", "denied", "start not answered", "failed"};
    told << ", " << kStarts[static_cast<int>(status.startStatus)] << " \"" << status.start << '"';
  }
  told << (took < 1s ? ", at once" : took < 6s ? ", at the look's limit" : ", too late") << '\n';
  return told.str();
}

// In a mount namespace of its own, C:\share is a file system whose server hangs
// once a file is opened; writes what three looks told to ORVANE_CHILD_REPORT.
const bool kHangingShareRole = testing_support::RegisterChildRole("looks-at-a-hanging-share", [] {
  const char* prefix = std::getenv("WINEPREFIX");
  const char* report = std::getenv("ORVANE_CHILD_REPORT");
  if (prefix == nullptr || report == nullptr || unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return 125;
  const int fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
  const std::string options = "fd=" + std::to_string(fuse) + ",rootmode=40000,user_id=0,group_id=0";
  const std::string share = std::string(prefix) + "/drive_c/share";
  if (fuse < 0 || mount("orvane-hanging", share.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
    return 125;
  const pid_t server = fork();
  if (server == 0) ServeNamesOnly(fuse);
  close(fuse);  // the server's alone, so that killing it lets go of what it took

  platform::BeginFileLooks();
  std::ofstream(report) << Told("C:\\share\\found.pst") << Told("C:\\share\\other.pst") << Told("C:\\local.pst");
  kill(server, SIGKILL);
  return 0;
});

TEST(FileQueryPosix, ALookThatStopsAnsweringKeepsWhatItToldAndItsFileSystemIsNotAskedAgain) {
  if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "needs root and /dev/fuse";
  const testing_support::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  fs::create_directories(prefix / "dosdevices");
  fs::create_directories(prefix / "drive_c" / "share");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  std::ofstream(prefix / "drive_c" / "local.pst") << "!BDN and the rest";
  const fs::path report = dir.path() / "report.txt";

  const testing_support::ProgramResult result = testing_support::Wait(
      testing_support::Spawn(
          fs::read_symlink("/proc/self/exe").string(), {},
          {"WINEPREFIX=" + prefix.string(), "HOME=" + dir.path().string(), "ORVANE_TEST_CHILD=looks-at-a-hanging-share",
           "ORVANE_CHILD_REPORT=" + report.string(), "ASAN_OPTIONS=detect_leaks=0"}),
      30s);
  ASSERT_TRUE(result.finished);
  ASSERT_EQ(result.status, 0);
  std::ostringstream told;
  told << std::ifstream(report).rdbuf();
  EXPECT_EQ(told.str(),
            "C:\\share\\found.pst: 123456 bytes, start not answered \"\", at the look's limit\n"
            "C:\\share\\other.pst: no answer, at once\n"
            "C:\\local.pst: 17 bytes, start read \"!BDN\", at once\n");
}

}  // namespace
