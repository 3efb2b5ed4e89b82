#pragma once
// Linux only: the current user's registry hive as a Wine prefix keeps it in its
// user.reg, read the way the registry itself loads it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::emulation {

// One value as the hive holds it: its type and its bytes (text types as UTF-16LE
// with whatever NULs were stored).
struct UserRegValue {
  std::uint32_t type = 0;
  std::string data;
};

// A parsed user.reg. Reading it finds the keys and where each key's value lines
// are; the values of a key are decoded the first time that key is asked for,
// since a run reads a handful of keys out of a file that runs to megabytes.
class UserReg {
 public:
  using KeyId = std::size_t;

  // Parses `text` (the whole file). Text whose first line is not the registry
  // file's header gives an empty hive; malformed lines are skipped, as the
  // registry skips them.
  explicit UserReg(std::string text);
  // The same for a file read into `bytes` (`size` of them), which the object keeps.
  UserReg(std::shared_ptr<const char> bytes, std::size_t size);
  UserReg(const UserReg&) = delete;
  UserReg& operator=(const UserReg&) = delete;

  // The key at `path` (UTF-16 elements separated by "\", runs of separators and a
  // trailing one ignored, matched without regard to case); the empty path is the
  // root. Keys that only exist as ancestors of others are found too. Empty when
  // missing.
  std::optional<KeyId> FindKey(std::u16string_view path) const;

  // The value `name` ("" = the default value) of `key`, matched without regard to
  // case; nullptr when missing. The pointer stays valid for the life of the hive.
  const UserRegValue* FindValue(KeyId key, std::u16string_view name);

  std::size_t KeyCount() const { return keys_.size(); }

  // What the readers of the file's text return for a position when the text ends
  // before what they read does.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  // One line of the file: without the "\n" and one "\r" before it, and ending at a
  // NUL byte, past which the registry reads nothing of the line.
  struct Line {
    std::size_t begin;
    std::size_t end;   // end of the usable content
    std::size_t next;  // start of the following line
  };
  // Where a value's data starts, once its name and "=" are read.
  struct ValueStart;
  // A run of a key's value lines, [begin, end) in the text; a key named by
  // several headers has several.
  struct Block {
    std::size_t begin;
    std::size_t end;
  };
  struct Value {
    std::u16string foldedName;
    UserRegValue value;
  };

  void Parse();
  Line LineAt(std::size_t pos) const;
  std::size_t SkipSpaces(std::size_t pos, std::size_t end) const;
  std::size_t ParseString(std::size_t pos, std::size_t end, char delimiter, std::u16string* out) const;
  std::optional<ValueStart> ReadValueStart(const Line& line, std::u16string* name) const;
  std::size_t ReadHex(Line line, std::size_t pos, std::string* out, bool* good) const;
  std::size_t SkipValue(const Line& line) const;
  std::size_t ReadValue(const Line& line, std::optional<Value>* out) const;
  std::optional<KeyId> AddKey(std::u16string_view escapedPath);
  std::vector<Value> LoadValues(KeyId key) const;

  std::string ownedText_;
  std::shared_ptr<const char> ownedBytes_;
  std::string_view text_;  // the whole file, in one of the two above
  bool hasNul_ = false;    // most files have none, which spares a search on every line

  // Every key's path in normal form (single "\" between elements, none at either
  // end, each unit case folded), one after another. Reserved once, so that the
  // views into it that index the keys stay valid.
  std::u16string paths_;
  std::unordered_map<std::u16string_view, KeyId> keyIds_;
  std::vector<std::vector<Block>> keys_;                  // the blocks of each key, by id
  std::unordered_map<KeyId, std::vector<Value>> values_;  // of the keys read so far
};

// The registry file `text` with only the keys whose path, as the file spells it
// (each "\" doubled), begins with `escapedPrefix` (ASCII, compared without regard
// to case), and the lines before its first key: a small hive to parse when a
// large file is read for a few of its keys.
std::string KeysUnder(std::string_view text, std::string_view escapedPrefix);

// Where the first key line at or after `from` begins (a line whose first
// character but blanks is "["), or the end of `text`. The start of `text` counts
// as the start of a line. Only the "["s are looked at: a system.reg of megabytes
// holds a few thousand.
std::size_t NextKeyLine(std::string_view text, std::size_t from);

// Whether a registry file holds a key whose path, as the file spells it, begins
// with one of `escapedRoots` (compared without regard to ASCII case). The file is
// read a piece of `piece` bytes at a time through `read` (the bytes it put at its
// first argument, up to the second; 0 or less at the end) into `buffer`; the scan
// stops at the first such key, and at once when the file has no registry header.
// A line longer than a piece is no key; a piece holds the header at least.
bool HoldsKeyUnder(const std::function<long(char*, std::size_t)>& read, const std::vector<std::string>& escapedRoots,
                   std::string& buffer, std::size_t piece = 32768);

}  // namespace platform::emulation
