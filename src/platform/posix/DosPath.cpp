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
#include "platform/emulation/FullPath.h"
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

std::string DriveLink(const std::string& prefix, char letter) {
  return prefix + "/dosdevices/" + static_cast<char>(letter | 0x20) + ":";
}

// The current drive and folder that Wine gives a program started in the Unix
// working directory: the drive whose link leads to the longest leading part of
// it (on a tie the first letter), and the rest as folder names. Drive C: and its
// root when no drive reaches the working directory.
emulation::FullPath CurrentFolder(const std::string& prefix) {
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
        emulation::FullPath current{letter, {}};
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

}  // namespace

std::optional<std::string> DosPathToUnix(const std::string& windowsPath) {
  return DosPathToUnix(windowsPath, WinePrefix());
}

std::optional<std::string> DosPathToUnix(const std::string& windowsPath, const std::string& prefix) {
  // Windows takes a path up to its first NUL.
  const std::string_view path(windowsPath.c_str());
  if (!path.empty() && path[0] == '/' && (path.size() < 2 || !emulation::IsSeparator(path[1])))
    return std::string(path);
  if (prefix.empty()) return std::nullopt;
  const std::optional<emulation::FullPath> full =
      emulation::ResolveFullPath(path, [&prefix] { return CurrentFolder(prefix); });
  if (!full) return std::nullopt;
  std::string unixPath = DriveLink(prefix, full->drive);
  if (!IsDirectory(unixPath)) return std::nullopt;
  // A path that ends in a separator names a folder: no file answers to it.
  const std::string folderMark = !full->elements.empty() && emulation::IsSeparator(path.back()) ? "/" : "";

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

std::string DosPathWithoutLooking(const std::string& windowsPath, const std::string& prefix) {
  const std::string_view path(windowsPath.c_str());
  if (!path.empty() && path[0] == '/' && (path.size() < 2 || !emulation::IsSeparator(path[1])))
    return std::string(path);
  if (prefix.empty()) return {};
  // A relative path is taken against drive C:'s root: what the current folder
  // is cannot be known without looking.
  const std::optional<emulation::FullPath> full = emulation::ResolveFullPath(path, [] {
    return emulation::FullPath{'c', {}};
  });
  if (!full) return {};
  const std::string link = DriveLink(prefix, full->drive);
  char target[4096];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return {};
  std::string drive(target, static_cast<std::size_t>(length));
  if (!drive.starts_with('/')) drive = prefix + "/dosdevices/" + drive;
  // The drive's folder with its "." and ".." names taken away, as its link leads.
  std::vector<std::string> names;
  for (std::size_t at = 0; at <= drive.size();) {
    const std::size_t slash = std::min(drive.find('/', at), drive.size());
    const std::string name = drive.substr(at, slash - at);
    at = slash + 1;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
  }
  for (const std::string& element : full->elements) names.push_back(element);
  std::string unixPath;
  for (const std::string& name : names) unixPath += "/" + name;
  return unixPath.empty() ? "/" : unixPath;
}

}  // namespace platform::posix
