#include "platform/posix/WinePrefix.h"

#include "platform/FileSystem.h"

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

}  // namespace platform::posix
