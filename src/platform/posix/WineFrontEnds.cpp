// Where Wine and its front-ends keep prefixes, and how each names them: its own
// folders, and the files in which it writes down where a prefix went. Every
// folder listed is one of the user's own; every file read is a regular file of
// the user's, small, and never waited on.
#include "platform/posix/WineFrontEnds.h"
#include "platform/posix/Descriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/emulation/FrontEndHints.h"
#include "platform/posix/Owner.h"
#include "platform/posix/XdgBase.h"

namespace platform::posix {
namespace {

// Front-ends' own files are small; a larger one is not theirs.
constexpr std::size_t kMaxHintFile = 1 << 20;
// How deep menu entries are looked for below the applications folder.
constexpr int kMenuDepth = 4;

// The file at `path` when it is a regular file of this user's, up to kMaxHintFile
// bytes; empty otherwise. A pipe is not waited on.
std::string ReadOwnFile(const std::string& path) {
  std::string text;
  const ReadableFile file = OpenReadable(path, Owners::OwnOnly, kMaxHintFile);
  if (file.error == 0) ReadRest(file.fd.get(), text);
  return text;
}

// What is in `folder`, when it is a folder of this user's: its entries' paths
// (hidden ones too, or only those with `hiddenOnly`).
std::vector<std::string> Children(const std::string& folder, bool hiddenOnly = false) {
  std::vector<std::string> children;
  if (!IsOwnFolder(folder)) return children;
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return children;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || (hiddenOnly && !name.starts_with('.'))) continue;
    children.push_back(folder + "/" + std::string(name));
  }
  ::closedir(listing);
  return children;
}

// CrossOver's bottle folders besides its own: CX_BOTTLE_PATH, from the
// environment or from the [EnvironmentVariables] of its configuration, a list
// separated by colons.
std::vector<std::string> CrossOverBottleFolders(const std::string& home) {
  const char* value = std::getenv("CX_BOTTLE_PATH");
  return emulation::FolderList(
      value != nullptr ? value : emulation::CrossOverBottlePath(ReadOwnFile(home + "/.cxoffice/cxoffice.conf")), home);
}

// The desktop files below `folder`, a few levels deep, in folders of the user's
// own that are no links (a link could lead round in a loop).
void MenuEntries(const std::string& folder, int depth, std::vector<std::string>& entries) {
  for (const std::string& child : Children(folder)) {
    struct stat info {};
    if (::lstat(child.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode) && depth > 0) MenuEntries(child, depth - 1, entries);
    if (S_ISREG(info.st_mode) && child.ends_with(".desktop")) entries.push_back(child);
  }
}

}  // namespace

std::vector<Place> FrontEndPlaces(const std::string& home) {
  const std::string data = XdgBaseFolder("XDG_DATA_HOME", "/.local/share", home);
  const auto childrenOf = [](std::vector<std::string> folders) {
    return [folders = std::move(folders)] {
      std::vector<std::string> all;
      for (const std::string& folder : folders)
        for (std::string& child : Children(folder)) all.push_back(std::move(child));
      return all;
    };
  };
  return {
      {home + "/.wine", [home] { return std::vector<std::string>{home + "/.wine"}; }},
      {home + "/.cxoffice",
       [home, childrenOf] {
         std::vector<std::string> folders = {home + "/.cxoffice"};
         for (std::string& folder : CrossOverBottleFolders(home)) folders.push_back(std::move(folder));
         return childrenOf(folders)();
       }},
      {data + "/bottles",
       [home, data] {
         std::vector<std::string> all;
         for (const std::string& base : {home + "/.var/app/com.usebottles.bottles/data/bottles", data + "/bottles"}) {
           const std::vector<std::string> custom =
               emulation::YamlValues(ReadOwnFile(base + "/data.yml"), "custom_bottles_path", home);
           for (const std::string& bottle : Children(custom.empty() ? base + "/bottles" : custom.front())) {
             // A bottle kept elsewhere leaves its path behind.
             const std::vector<std::string> moved =
                 emulation::YamlValues(ReadOwnFile(bottle + "/placeholder.yml"), "Path", home);
             all.push_back(moved.empty() ? bottle : moved.front());
           }
         }
         return all;
       }},
      {home + "/.PlayOnLinux",
       childrenOf({home + "/.PlayOnLinux/wineprefix", home + "/.Phoenicis/containers/wineprefix",
                   home + "/.var/app/org.phoenicis.playonlinux/.Phoenicis/containers/wineprefix"})},
      {data + "/wineprefixes", childrenOf({data + "/wineprefixes"})},
      {home + "/Games",
       [home, data, childrenOf] {
         std::vector<std::string> prefixes;
         for (const std::string& games : {home + "/.config/lutris/games", data + "/lutris/games",
                                          home + "/.var/app/net.lutris.Lutris/config/lutris/games",
                                          home + "/.var/app/net.lutris.Lutris/data/lutris/games"}) {
           for (const std::string& game : Children(games)) {
             if (!game.ends_with(".yml")) continue;
             for (std::string& prefix : emulation::YamlValues(ReadOwnFile(game), "prefix", home))
               prefixes.push_back(prefix);
           }
         }
         // Without a game that names its prefix, Lutris's own folder for them.
         return prefixes.empty() ? childrenOf({home + "/Games"})() : prefixes;
       }},
      {home, [home] { return Children(home, true); }},
      {data + "/applications",
       [home, data] {
         std::vector<std::string> entries;
         MenuEntries(data + "/applications", kMenuDepth, entries);
         std::vector<std::string> prefixes;
         for (const std::string& entry : entries)
           for (std::string& prefix : emulation::MenuPrefixes(ReadOwnFile(entry), home))
             prefixes.push_back(std::move(prefix));
         return prefixes;
       }},
  };
}

}  // namespace platform::posix
