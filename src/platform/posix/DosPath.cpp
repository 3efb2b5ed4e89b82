#include "platform/posix/DosPath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/emulation/FoldCase.h"
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
    if (emulation::EqualIgnoringCase(entry->d_name, name)) return std::string(entry->d_name);
  }
  return std::nullopt;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether a file name may hold `c`: no control character, wildcard, quote, pipe,
// colon or separator.
bool IsNameChar(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && std::string_view("*?<>|\":\\/").find(c) == std::string_view::npos;
}

bool IsDrive(std::string_view element) { return element.size() == 2 && IsDriveLetter(element[0]) && element[1] == ':'; }

// A full path as Windows resolves it: the drive letter, and the names below its root.
struct FullPath {
  char drive = 'c';
  std::vector<std::string> elements;
};

std::string DriveLink(const std::string& prefix, char letter) {
  return prefix + "/dosdevices/" + static_cast<char>(letter | 0x20) + ":";
}

// The current drive and folder that Wine gives a program started in the Unix
// working directory: the drive whose link leads to the longest leading part of
// it (on a tie the first letter), and the rest as folder names. Drive C: and its
// root when no drive reaches the working directory.
FullPath CurrentFolder(const std::string& prefix) {
  std::vector<std::pair<char, struct stat>> drives;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    struct stat info {};
    if (::stat(DriveLink(prefix, letter).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      drives.emplace_back(letter, info);
  }
  const std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), std::free);
  if (!cwd || cwd.get()[0] != '/') return {};
  const std::string unixPath = cwd.get();
  for (std::string head = unixPath;;) {
    struct stat info {};
    if (::stat(head.c_str(), &info) == 0) {
      for (const auto& [letter, root] : drives) {
        if (root.st_dev != info.st_dev || root.st_ino != info.st_ino) continue;
        FullPath current{letter, {}};
        std::string name;
        for (const char c : std::string_view(unixPath).substr(head.size())) {
          if (c != '/') {
            name += c;
          } else if (!name.empty()) {
            current.elements.push_back(std::move(name));
            name.clear();
          }
        }
        if (!name.empty()) current.elements.push_back(std::move(name));
        return current;
      }
    }
    if (head == "/") return {};
    const std::size_t slash = head.rfind('/');
    head.erase(slash == 0 ? 1 : slash);
  }
}

// Adds the names of `rest` to `elements` as Windows builds a full path: empty and
// "." names dropped, ".." removing the name before it, one trailing dot cut from
// each folder name and every trailing dot and space from the last name. With
// `drives`, a name may be a drive ("C:"). False for a name no file may have.
bool AddElements(std::string_view rest, std::vector<std::string>& elements, bool drives = false) {
  std::string current;
  auto finish = [&](bool folder) {
    if (current == "..") {
      if (!elements.empty()) elements.pop_back();
    } else if (!current.empty() && current != ".") {
      if (folder && current.back() == '.') {
        current.pop_back();
      } else if (!folder) {
        while (!current.empty() && (current.back() == '.' || current.back() == ' ')) current.pop_back();
      }
      // A folder "..." is cut to "..", which names no file.
      if (current == "." || current == "..") return false;
      if (!current.empty()) elements.push_back(current);
    }
    current.clear();
    return true;
  };
  for (const char c : rest) {
    if (IsSeparator(c)) {
      if (!finish(true)) return false;
    } else if (!IsNameChar(c) && !(c == ':' && drives && elements.empty() && current.size() == 1)) {
      return false;
    } else {
      current += c;
    }
  }
  return finish(false);
}

// `path` (cut at any NUL) as the full path Windows would open, or nullopt for a
// UNC path or a name no file may have.
std::optional<FullPath> Resolve(std::string_view path, const std::string& prefix) {
  FullPath full;
  std::string_view rest;
  if (path.substr(0, 4) == "\\\\?\\") {
    // \\?\ hands the rest to the file system as it is: no name is changed, and
    // "/", "." and ".." are no names there.
    rest = path.substr(4);
    if (!IsDrive(rest.substr(0, 2)) || rest.substr(2, 1) != "\\") return std::nullopt;
    full.drive = rest[0];
    rest.remove_prefix(3);
    while (!rest.empty()) {
      const std::size_t end = std::min(rest.find('\\'), rest.size());
      const std::string_view name = rest.substr(0, end);
      if (name.empty() || name == "." || name == ".." || !std::all_of(name.begin(), name.end(), IsNameChar)) {
        return std::nullopt;
      }
      full.elements.emplace_back(name);
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return full;
  }
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '.' || path[2] == '?') &&
      IsSeparator(path[3])) {
    // A device path: normalised below \\.\, where the drive is the first name.
    if (!AddElements(path.substr(4), full.elements, true) || full.elements.empty() || !IsDrive(full.elements[0])) {
      return std::nullopt;
    }
    full.drive = full.elements[0][0];
    full.elements.erase(full.elements.begin());
    return full;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;  // UNC
  if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    full.drive = path[0];
    rest = path.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) {
      // "C:name" is relative to the drive's current folder: the current folder on
      // the current drive, the root on any other.
      const FullPath current = CurrentFolder(prefix);
      if ((current.drive | 0x20) == (full.drive | 0x20)) full.elements = current.elements;
    }
  } else {
    full = CurrentFolder(prefix);
    // "\name" starts at the current drive's root, "name" in its current folder.
    if (!path.empty() && IsSeparator(path[0])) full.elements.clear();
    rest = path;
  }
  if (!AddElements(rest, full.elements)) return std::nullopt;
  return full;
}

}  // namespace

std::optional<std::string> DosPathToUnix(const std::string& windowsPath) {
  return DosPathToUnix(windowsPath, WinePrefix());
}

std::optional<std::string> DosPathToUnix(const std::string& windowsPath, const std::string& prefix) {
  // Windows takes a path up to its first NUL.
  const std::string_view path(windowsPath.c_str());
  if (!path.empty() && path[0] == '/' && (path.size() < 2 || !IsSeparator(path[1]))) return std::string(path);
  if (prefix.empty()) return std::nullopt;
  const std::optional<FullPath> full = Resolve(path, prefix);
  if (!full) return std::nullopt;
  std::string unixPath = DriveLink(prefix, full->drive);
  if (!IsDirectory(unixPath)) return std::nullopt;
  // A path that ends in a separator names a folder: no file answers to it.
  const std::string folderMark = !full->elements.empty() && IsSeparator(path.back()) ? "/" : "";

  // The common case costs one stat: the path exists in the case given.
  std::string exact = unixPath;
  for (const std::string& element : full->elements) exact += "/" + element;
  if (Exists(exact + folderMark)) return exact + folderMark;

  for (std::size_t i = 0; i < full->elements.size(); ++i) {
    const std::optional<std::string> found = FindEntry(unixPath, full->elements[i]);
    if (!found) {
      // Nothing matches: the rest stays as given, so the caller finds no file there.
      for (std::size_t j = i; j < full->elements.size(); ++j) unixPath += "/" + full->elements[j];
      return unixPath + folderMark;
    }
    unixPath += "/" + *found;
  }
  return unixPath + folderMark;
}

}  // namespace platform::posix
