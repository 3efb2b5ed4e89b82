// Where Wine and its front-ends keep prefixes, and how each names them: its own
// folders, and the files in which it writes down where a prefix went. Every
// folder listed is one of the user's own; every file read is a regular file of
// the user's, small, and never waited on.
#include "platform/posix/WineFrontEnds.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace platform::posix {
namespace {

// Front-ends' own files are small; a larger one is not theirs.
constexpr std::size_t kMaxHintFile = 1 << 20;
// How deep menu entries are looked for below the applications folder.
constexpr int kMenuDepth = 4;

// The user the run is for, asked once: the search asks for every folder.
const uid_t kUser = ::geteuid();

}  // namespace

bool IsOwn(const struct stat& info) { return info.st_uid == kUser; }

bool IsOwnFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == kUser;
}

namespace {

// The file at `path` when it is a regular file of this user's, up to kMaxHintFile
// bytes; empty otherwise. A pipe is not waited on.
std::string ReadOwnFile(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return text;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == kUser &&
      static_cast<std::size_t>(info.st_size) <= kMaxHintFile) {
    char chunk[16384];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
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

std::string DataHome(const std::string& home) {
  if (const char* value = std::getenv("XDG_DATA_HOME"); value != nullptr && value[0] == '/' && value[1] != '\0')
    return value;
  return home + "/.local/share";
}

// `value` without the blanks and the pair of quotes round it.
std::string_view Unquoted(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
    value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

// A folder as a front-end's file names it: absolute, or below the home as "~/..."
// or "$HOME/..."; quotes and blanks round it removed. Empty for anything else.
std::string HintPath(std::string_view value, const std::string& home) {
  value = Unquoted(value);
  if (value.starts_with("~/")) return home + std::string(value.substr(1));
  if (value.starts_with("$HOME/")) return home + std::string(value.substr(5));
  if (value.starts_with("${HOME}/")) return home + std::string(value.substr(7));
  return value.starts_with('/') ? std::string(value) : std::string();
}

// The values of the lines "key: value" in a front-end's YAML file.
std::vector<std::string> YamlValues(std::string_view text, std::string_view key, const std::string& home) {
  std::vector<std::string> values;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.starts_with(key) && line.substr(key.size()).starts_with(':')) {
      if (std::string path = HintPath(line.substr(key.size() + 1), home); !path.empty()) values.push_back(path);
    }
  }
  return values;
}

// The prefixes that menu entries start their programs in: WINEPREFIX=value,
// the value in double quotes (with backslash escapes) or up to a blank.
std::vector<std::string> MenuPrefixes(std::string_view text, const std::string& home) {
  std::vector<std::string> prefixes;
  constexpr std::string_view kName = "WINEPREFIX=";
  for (std::size_t at = text.find(kName); at != std::string_view::npos; at = text.find(kName, at + 1)) {
    std::size_t pos = at + kName.size();
    std::string value;
    if (pos < text.size() && text[pos] == '"') {
      for (++pos; pos < text.size() && text[pos] != '"' && text[pos] != '\n'; ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size()) ++pos;
        value += text[pos];
      }
    } else {
      while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t' && text[pos] != '\n') value += text[pos++];
    }
    if (std::string path = HintPath(value, home); !path.empty()) prefixes.push_back(path);
  }
  return prefixes;
}

// CrossOver's bottle folders besides its own: CX_BOTTLE_PATH, from the
// environment or from the [EnvironmentVariables] of its configuration, a list
// separated by colons.
std::vector<std::string> CrossOverBottleFolders(const std::string& home) {
  std::string list;
  if (const char* value = std::getenv("CX_BOTTLE_PATH")) {
    list = value;
  } else {
    const std::string conf = ReadOwnFile(home + "/.cxoffice/cxoffice.conf");
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < conf.size()) {
      const std::size_t end = std::min(conf.find('\n', pos), conf.size());
      std::string_view line(conf.data() + pos, end - pos);
      pos = end + 1;
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
      if (line.starts_with('[')) inSection = line.starts_with("[EnvironmentVariables]");
      const std::size_t equals = line.find('=');
      if (!inSection || equals == std::string_view::npos) continue;
      if (Unquoted(line.substr(0, equals)) == "CX_BOTTLE_PATH") list = Unquoted(line.substr(equals + 1));
    }
  }
  std::vector<std::string> folders;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t end = std::min(list.find(':', pos), list.size());
    if (std::string folder = HintPath(std::string_view(list).substr(pos, end - pos), home); !folder.empty())
      folders.push_back(folder);
    pos = end + 1;
  }
  return folders;
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
  const std::string data = DataHome(home);
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
               YamlValues(ReadOwnFile(base + "/data.yml"), "custom_bottles_path", home);
           for (const std::string& bottle : Children(custom.empty() ? base + "/bottles" : custom.front())) {
             // A bottle kept elsewhere leaves its path behind.
             const std::vector<std::string> moved = YamlValues(ReadOwnFile(bottle + "/placeholder.yml"), "Path", home);
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
             for (std::string& prefix : YamlValues(ReadOwnFile(game), "prefix", home)) prefixes.push_back(prefix);
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
           for (std::string& prefix : MenuPrefixes(ReadOwnFile(entry), home)) prefixes.push_back(std::move(prefix));
         return prefixes;
       }},
  };
}

}  // namespace platform::posix
