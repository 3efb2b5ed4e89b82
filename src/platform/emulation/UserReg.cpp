// Reading user.reg, the file in which a Wine prefix keeps HKEY_CURRENT_USER. The
// file is a header line, then keys: a line "[path]" names a key, and the lines
// after it, up to the next key, are its values ("name"=data, or @=data for the
// default value). The registry loads the file line by line, acts on the first
// non-blank character of each line and skips what it cannot use; this reader
// does the same, so that a hand-edited or damaged file gives the values a
// Windows program in that prefix would see.
#include "platform/emulation/UserReg.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/emulation/FoldCase.h"

namespace platform::emulation {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

// Appends `path` in normal form: split on "\" (dropping empty elements: a run of
// separators counts as one) and case folded.
void AppendNormalPath(std::u16string_view path, std::u16string& out) {
  const std::size_t start = out.size();
  bool pendingSeparator = false;
  for (const char16_t unit : path) {
    if (unit == u'\\') {
      pendingSeparator = out.size() != start;
      continue;
    }
    if (pendingSeparator) out += u'\\';
    pendingSeparator = false;
    out += FoldCase(unit);
  }
}

// Whether `text` begins with `prefix`, compared without regard to ASCII case
// (whatever the locale: registry paths are matched so by the registry).
bool BeginsWithoutCase(std::string_view text, std::string_view prefix) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [&](char a, char b) { return lower(a) == lower(b); });
}

}  // namespace

UserReg::Line UserReg::LineAt(std::size_t pos) const {
  const char* base = text_.data();
  const std::size_t size = text_.size();
  const void* newline = std::memchr(base + pos, '\n', size - pos);
  const std::size_t lineEnd = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - base) : size;
  Line line{pos, lineEnd, newline ? lineEnd + 1 : size};
  const void* nul = hasNul_ ? std::memchr(base + pos, '\0', lineEnd - pos) : nullptr;
  if (nul) {
    line.end = static_cast<std::size_t>(static_cast<const char*>(nul) - base);
  } else if (newline && line.end > pos && text_[line.end - 1] == '\r') {
    --line.end;
  }
  return line;
}

UserReg::UserReg(std::string text) : ownedText_(std::move(text)) {
  text_ = ownedText_;
  Parse();
}

UserReg::UserReg(std::shared_ptr<const char> bytes, std::size_t size) : ownedBytes_(std::move(bytes)) {
  text_ = std::string_view(ownedBytes_.get(), size);
  Parse();
}

// Finds every key and the lines of its values. Each key's path goes into the
// index; its values are left as they are in the text.
void UserReg::Parse() {
  // No key's path in normal form is longer than the text it was read from.
  paths_.reserve(text_.size());
  AddKey(u"");  // the root
  if (text_.empty()) return;
  hasNul_ = std::memchr(text_.data(), '\0', text_.size()) != nullptr;
  const Line header = LineAt(0);
  if (text_.substr(header.begin, header.end - header.begin) != kHeader) {
    text_ = {};
    return;
  }

  std::optional<KeyId> current;  // empty before the first key and after a broken key line
  std::size_t blockStart = 0;
  auto closeBlock = [&](std::size_t end) {
    if (current && end > blockStart) keys_[*current].push_back({blockStart, end});
  };
  std::u16string path;
  std::size_t pos = header.next;
  while (pos < text_.size()) {
    const Line line = LineAt(pos);
    pos = line.next;
    const std::size_t p = SkipSpaces(line.begin, line.end);
    if (p == line.end) continue;
    switch (text_[p]) {
      case '[':
        closeBlock(line.begin);
        path.clear();
        current = ParseString(p + 1, line.end, ']', &path) == kNone ? std::nullopt : AddKey(path);
        blockStart = line.next;
        break;
      case '"':
      case '@':
        // Only hex data goes on over lines, and only after a "\".
        if (current && std::memchr(text_.data() + p, '\\', line.end - p)) pos = SkipValue(line);
        break;
      case '#':
        // Before the first key, "#arch=" names the prefix's architecture; any other
        // architecture makes the registry stop reading the file.
        if (!current && text_.substr(p, line.end - p).starts_with("#arch=")) {
          const std::string_view arch(text_.data() + p + 6, line.end - p - 6);
          if (arch != "win32" && arch != "win64") return;
        }
        break;
      default:
        break;  // comments and unrecognised input
    }
  }
  closeBlock(text_.size());
}

// Indexes the key at `escapedPath` (as the header wrote it, unescaped) and the
// ancestors it implies, which the file names only when they hold values.
std::optional<UserReg::KeyId> UserReg::AddKey(std::u16string_view escapedPath) {
  const std::size_t begin = paths_.size();
  AppendNormalPath(escapedPath, paths_);
  const std::u16string_view normal(paths_.data() + begin, paths_.size() - begin);
  const auto [entry, added] = keyIds_.emplace(normal, keys_.size());
  if (!added) {
    paths_.resize(begin);
    return entry->second;
  }
  const KeyId id = entry->second;
  keys_.emplace_back();
  for (std::size_t cut = normal.rfind(u'\\'); cut != std::u16string_view::npos; cut = normal.rfind(u'\\', cut - 1)) {
    if (!keyIds_.emplace(normal.substr(0, cut), keys_.size()).second) break;
    keys_.emplace_back();
    if (cut == 0) break;
  }
  return id;
}

std::optional<UserReg::KeyId> UserReg::FindKey(std::u16string_view path) const {
  std::u16string normal;
  AppendNormalPath(path, normal);
  const auto found = keyIds_.find(normal);
  if (found == keyIds_.end()) return std::nullopt;
  return found->second;
}

std::vector<UserReg::Value> UserReg::LoadValues(KeyId key) const {
  std::vector<Value> values;
  std::unordered_map<std::u16string, std::size_t> byName;
  for (const Block& block : keys_[key]) {
    for (std::size_t pos = block.begin; pos < block.end;) {
      const Line line = LineAt(pos);
      pos = line.next;
      const std::size_t p = SkipSpaces(line.begin, line.end);
      if (p == line.end || (text_[p] != '"' && text_[p] != '@')) continue;
      std::optional<Value> value;
      pos = ReadValue(line, &value);
      if (!value) continue;
      // A repeated name replaces the data of the first one.
      const auto [slot, added] = byName.emplace(value->foldedName, values.size());
      if (added) {
        values.push_back(std::move(*value));
      } else {
        values[slot->second].value = std::move(value->value);
      }
    }
  }
  return values;
}

const UserRegValue* UserReg::FindValue(KeyId key, std::u16string_view name) {
  if (key >= keys_.size()) return nullptr;
  const auto [entry, added] = values_.try_emplace(key);
  if (added) entry->second = LoadValues(key);
  const std::u16string folded = FoldName(name);
  for (const Value& value : entry->second) {
    if (value.foldedName == folded) return &value.value;
  }
  return nullptr;
}

std::string KeysUnder(std::string_view text, std::string_view escapedPrefix) {
  std::size_t key = NextKeyLine(text, 0);
  std::string kept(text.substr(0, key));  // the header and the architecture
  while (key < text.size()) {
    const std::size_t bracket = text.find('[', key);
    const std::size_t next = NextKeyLine(text, bracket + 1);
    if (BeginsWithoutCase(text.substr(bracket + 1), escapedPrefix)) kept += text.substr(key, next - key);
    key = next;
  }
  return kept;
}

std::size_t NextKeyLine(std::string_view text, std::size_t from) {
  while (from < text.size()) {
    const void* found = std::memchr(text.data() + from, '[', text.size() - from);
    if (found == nullptr) break;
    const auto bracket = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    std::size_t start = bracket;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
    if (start == 0 || text[start - 1] == '\n') return start;
    from = bracket + 1;
  }
  return text.size();
}

bool HoldsKeyUnder(const std::function<long(char*, std::size_t)>& read, const std::vector<std::string>& escapedRoots,
                   std::string& buffer, std::size_t piece) {
  std::size_t carried = 0;  // a line not yet whole, at the start of the buffer
  for (bool first = true;; first = false) {
    if (buffer.size() < carried + piece) buffer.resize(carried + piece);
    const long n = read(buffer.data() + carried, piece);
    if (n <= 0) return false;
    const std::string_view text(buffer.data(), carried + static_cast<std::size_t>(n));
    if (first && !text.starts_with(kHeader)) return false;
    const std::size_t whole = text.rfind('\n') + 1;  // the lines before it are whole (0: none)
    for (std::size_t line = NextKeyLine(text, 0); line < whole;) {
      const std::size_t bracket = text.find('[', line);
      const std::string_view key = text.substr(bracket + 1, text.find('\n', bracket) - bracket - 1);
      for (const std::string& root : escapedRoots)
        if (BeginsWithoutCase(key, root)) return true;
      line = NextKeyLine(text, bracket + 1);
    }
    // The last line goes on in the next piece; a line longer than a piece is no key.
    carried = text.size() - whole < piece ? text.size() - whole : 0;
    std::memmove(buffer.data(), buffer.data() + text.size() - carried, carried);
  }
}

}  // namespace platform::emulation
