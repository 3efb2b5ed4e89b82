#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Console.h"

namespace platform {
namespace {

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + (argc > 0 ? 1 : 0), argv + argc}; }

bool ReadInPieces(const std::string& path, std::uint64_t* size, const std::function<void(std::string_view)>& take) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  *size = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
  bool read = !S_ISDIR(info.st_mode);
  static char piece[64 * 1024];
  while (read) {
    const ssize_t got = ::read(fd, piece, sizeof piece);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      read = got == 0;
      break;
    }
    take(std::string_view(piece, static_cast<std::size_t>(got)));
  }
  if (!standardInput) ::close(fd);
  return read;
}

bool ErrorsGoToTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void PrintOut(std::string_view text) { WriteAll(STDOUT_FILENO, text); }
void PrintError(std::string_view text) { WriteAll(STDERR_FILENO, text); }

}  // namespace platform
