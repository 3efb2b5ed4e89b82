#include "platform/emulation/FrontEndHints.h"

#include <algorithm>

namespace platform::emulation {
namespace {

// `value` without the blanks and the pair of quotes round it.
std::string_view Unquoted(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
    value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

// Each line of `text`, without the blanks it begins with, to `line`.
template <typename Visit>
void EachLine(std::string_view text, Visit visit) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    visit(line);
  }
}

}  // namespace

std::string HintPath(std::string_view value, const std::string& home) {
  value = Unquoted(value);
  if (value.starts_with("~/")) return home + std::string(value.substr(1));
  if (value.starts_with("$HOME/")) return home + std::string(value.substr(5));
  if (value.starts_with("${HOME}/")) return home + std::string(value.substr(7));
  return value.starts_with('/') ? std::string(value) : std::string();
}

std::vector<std::string> YamlValues(std::string_view text, std::string_view key, const std::string& home) {
  std::vector<std::string> values;
  EachLine(text, [&](std::string_view line) {
    if (line.starts_with(key) && line.substr(key.size()).starts_with(':')) {
      if (std::string path = HintPath(line.substr(key.size() + 1), home); !path.empty()) values.push_back(path);
    }
  });
  return values;
}

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

std::string CrossOverBottlePath(std::string_view conf) {
  std::string list;
  bool inSection = false;
  EachLine(conf, [&](std::string_view line) {
    if (line.starts_with('[')) inSection = line.starts_with("[EnvironmentVariables]");
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) return;
    if (Unquoted(line.substr(0, equals)) == "CX_BOTTLE_PATH") list = Unquoted(line.substr(equals + 1));
  });
  return list;
}

std::vector<std::string> FolderList(std::string_view list, const std::string& home) {
  std::vector<std::string> folders;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t end = std::min(list.find(':', pos), list.size());
    if (std::string folder = HintPath(list.substr(pos, end - pos), home); !folder.empty()) folders.push_back(folder);
    pos = end + 1;
  }
  return folders;
}

}  // namespace platform::emulation
