#include "platform/emulation/FullPath.h"

#include <algorithm>

namespace platform::emulation {
namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether a file name may hold `c`: no control character, wildcard, quote, pipe,
// colon or separator.
bool IsNameChar(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && std::string_view("*?<>|\":\\/").find(c) == std::string_view::npos;
}

bool IsDrive(std::string_view element) { return element.size() == 2 && IsDriveLetter(element[0]) && element[1] == ':'; }

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

}  // namespace

std::optional<FullPath> ResolveFullPath(std::string_view path, const std::function<FullPath()>& currentFolder) {
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
      const FullPath current = currentFolder();
      if ((current.drive | 0x20) == (full.drive | 0x20)) full.elements = current.elements;
    }
  } else {
    full = currentFolder();
    // "\name" starts at the current drive's root, "name" in its current folder.
    if (!path.empty() && IsSeparator(path[0])) full.elements.clear();
    rest = path;
  }
  if (!AddElements(rest, full.elements)) return std::nullopt;
  return full;
}

}  // namespace platform::emulation
