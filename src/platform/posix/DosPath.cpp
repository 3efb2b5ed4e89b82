#include "platform/posix/DosPath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "platform/posix/FoldCase.h"
#include "platform/posix/WinePrefix.h"

namespace platform::posix {
namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The entry of `directory` that Wine would take for `name`: the exact spelling
// when present, else the first entry in directory order equal without regard to case.
std::optional<std::string> FindEntry(const std::string& directory, const std::string& name) {
  if (Exists(directory + "/" + name)) return name;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (EqualIgnoringCase(entry->d_name, name)) return std::string(entry->d_name);
  }
  return std::nullopt;
}

// The path's elements after the drive, normalised as Windows normalises a full
// path: empty and "." elements dropped, ".." removing its parent, trailing dots
// and spaces cut from the last element. False for a character no file name may hold.
bool SplitElements(const std::string& rest, std::vector<std::string>& elements) {
  std::string current;
  auto finish = [&] {
    if (current == "..") {
      if (!elements.empty()) elements.pop_back();
    } else if (!current.empty() && current != ".") {
      elements.push_back(current);
    }
    current.clear();
  };
  for (const char c : rest) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '/') {
      finish();
    } else if (u < 0x20 || c == '*' || c == '?' || c == '<' || c == '>' || c == '|' || c == '"' || c == ':') {
      return false;
    } else {
      current += c;
    }
  }
  finish();
  if (!elements.empty()) {
    std::string& last = elements.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) elements.pop_back();
  }
  return true;
}

}  // namespace

std::optional<std::string> DosPathToUnix(const std::string& windowsPath) {
  if (!windowsPath.empty() && windowsPath.front() == '/' &&
      (windowsPath.size() < 2 || windowsPath[1] != '/')) {
    return windowsPath;
  }
  // Only a full path on a drive: "X:\..." (UNC and relative paths have no drive here).
  if (windowsPath.size() < 3 || windowsPath[1] != ':' || (windowsPath[2] != '\\' && windowsPath[2] != '/')) {
    return std::nullopt;
  }
  const char letter = windowsPath[0];
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return std::nullopt;
  const std::string prefix = WinePrefix();
  if (prefix.empty()) return std::nullopt;
  std::string path = prefix + "/dosdevices/" + static_cast<char>(letter | 0x20) + ":";
  if (!IsDirectory(path)) return std::nullopt;

  std::vector<std::string> elements;
  if (!SplitElements(windowsPath.substr(3), elements)) return std::nullopt;

  // The common case costs one stat: the path exists in the case given.
  std::string exact = path;
  for (const std::string& element : elements) exact += "/" + element;
  if (Exists(exact)) return exact;

  for (std::size_t i = 0; i < elements.size(); ++i) {
    const std::optional<std::string> found = FindEntry(path, elements[i]);
    if (!found) {
      // Nothing matches: the rest stays as given, so the caller finds no file there.
      for (std::size_t j = i; j < elements.size(); ++j) path += "/" + elements[j];
      return path;
    }
    path += "/" + *found;
  }
  return path;
}

}  // namespace platform::posix
