#include "platform/FileBrowser.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/posix/DosPath.h"

extern char** environ;

namespace platform {

bool StartFileBrowser(const std::string& commandLine) {
  constexpr std::string_view kProgram = "explorer ";
  std::string_view folder = commandLine;
  if (folder.substr(0, kProgram.size()) == kProgram) folder.remove_prefix(kProgram.size());

  std::string target;
  if (folder.empty()) {
    // "explorer" alone opens the browser's start folder.
    target = HomeFolder();
    if (target.empty()) return false;
  } else {
    std::optional<std::string> unix = posix::DosPathToUnix(std::string(folder));
    if (!unix) return false;
    target = *unix;
  }

  // Started directly, never through a shell: a folder name may hold any character.
  // The browser's output has nowhere to go in a program without a console.
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string program = "xdg-open";
  char* argv[] = {program.data(), target.data(), nullptr};
  pid_t pid = 0;
  const int status = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) return false;

  // xdg-open may stay until the browser it started ends: reap it on the side, so
  // that the dialog does not wait and no zombie is left behind.
  try {
    std::thread([pid] {
      int ignored = 0;
      while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (...) {
    // No thread: reap it later if it has ended by then.
    int ignored = 0;
    waitpid(pid, &ignored, WNOHANG);
  }
  return true;
}

}  // namespace platform
