#pragma once
// Linux only: the current user's registry hive as Wine keeps it in a prefix's
// user.reg, read the way the Wine server loads it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/LargeMemory.h"

namespace platform::posix {

// One value as the hive holds it: its type and its bytes (text types as UTF-16LE
// with whatever NULs were stored).
struct UserRegValue {
  std::uint32_t type = 0;
  std::string data;
};

// A parsed user.reg. The key index is built at once; the values of a key are
// decoded the first time that key is asked for, since a run reads a handful of
// keys out of a file that runs to megabytes.
class UserReg {
 public:
  using KeyId = std::size_t;

  // Parses `text` (the whole file). Text whose first line is not the Wine
  // registry header gives an empty hive; malformed lines are skipped as Wine
  // skips them.
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

 private:
  struct Line;
  struct Value {
    std::u16string foldedName;
    UserRegValue value;
  };
  // A key's path is a range of `paths_`, normalised and folded; an implied key
  // shares the range of the key that implied it, cut short.
  struct Key {
    std::uint64_t hash;
    std::size_t pathBegin;
    std::size_t pathLength;
    std::size_t firstBlock;  // into `blocks_`, kNoBlock when the file gives it no values
    std::size_t lastBlock;
  };
  // A run of a key's value lines; a key named by several headers has several.
  struct Block {
    std::size_t begin;
    std::size_t end;
    std::size_t next;  // the key's next block, or kNoBlock
  };
  static constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);
  // A path in normal form (separated by single "\", no separator at either end,
  // case folded) as its hash and its units.
  struct NormalPath;

  void Parse();
  Line LineAt(std::size_t pos) const;
  std::size_t SkipSpaces(std::size_t pos, std::size_t end) const;
  std::size_t ParseString(std::size_t pos, std::size_t end, char delimiter, std::u16string* out) const;
  std::size_t ReadValue(const Line& line, bool decode, std::optional<Value>* out) const;
  std::optional<KeyId> AddKey(std::u16string_view escapedPathUnits);
  KeyId NewKey(std::uint64_t hash, std::size_t pathBegin, std::size_t pathLength);
  std::optional<KeyId> Lookup(std::uint64_t hash, std::u16string_view normalPath) const;
  void Rehash(std::size_t slotCount);
  std::vector<Value> LoadValues(const Key& key) const;

  std::string ownedText_;
  std::shared_ptr<const char> ownedBytes_;
  std::string_view text_;  // the whole file, in one of the two above
  bool hasNul_ = false;    // most files have none, which spares a search on every line

  // A large file names tens of thousands of keys, so the index takes no memory per
  // key beyond these tables: an open-addressed hash table of key numbers over one
  // buffer of paths.
  std::vector<Key, LargeAllocator<Key>> keys_;
  std::vector<Block, LargeAllocator<Block>> blocks_;
  std::vector<char16_t, LargeAllocator<char16_t>> paths_;
  std::vector<std::uint32_t, LargeAllocator<std::uint32_t>> slots_;  // key number + 1, 0 when free
  std::unordered_map<KeyId, std::vector<Value>> values_;  // of the keys read so far
};

// Makes the next registry access read user.reg again, as a new run would.
void ForgetUserReg();

}  // namespace platform::posix
