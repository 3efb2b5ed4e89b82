#include "platform/posix/WinePrefix.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::posix {
namespace {

std::string selected;

}  // namespace

std::string WinePrefix() { return selected.empty() ? DefaultWinePrefix() : selected; }

void SelectWinePrefix(const std::string& prefix) { selected = prefix; }

std::string DefaultWinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    std::string path = prefix;
    if (path.front() != '/') return {};
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return home == "/" ? "/.wine" : home + "/.wine";
}

std::string HomeFolder() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr && *env == '/') {
    home = env;
  } else if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    home = entry->pw_dir;
  }
  if (home.empty() || home.front() != '/') return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

}  // namespace platform::posix
