#include "platform/posix/WinePrefix.h"

#include "platform/FileSystem.h"

#include <cstdlib>

namespace platform::posix {
namespace {

// The prefix of the profile source in use: it outlives a call so that every read
// of one source goes to one prefix; the run selects none again when it is done.
std::string selected;

}  // namespace

std::string WinePrefix() { return selected.empty() ? DefaultWinePrefix() : selected; }

void SelectWinePrefix(const std::string& prefix) { selected = prefix; }

ChosenPrefix ChosenWinePrefix() {
  ChosenPrefix chosen;
  const char* value = std::getenv("WINEPREFIX");
  if (value == nullptr || *value == '\0') return chosen;
  chosen.written = value;
  std::string path = chosen.written;
  if (path.starts_with("~/")) {
    const std::string home = HomeFolder();
    if (home.empty()) return chosen;
    path = (home == "/" ? "" : home) + path.substr(1);
  }
  if (path.front() != '/') return chosen;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  chosen.path = std::move(path);
  return chosen;
}

std::string DefaultWinePrefix() {
  if (ChosenPrefix chosen = ChosenWinePrefix(); !chosen.path.empty()) return chosen.path;
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return home == "/" ? "/.wine" : home + "/.wine";
}

}  // namespace platform::posix
