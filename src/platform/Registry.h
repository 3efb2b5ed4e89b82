#pragma once
// Reading the registry: the three operations the program needs, with the results
// a Windows program gets from the narrow-character registry calls. Nothing here
// writes the registry.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A predefined root key, by its Windows handle value. On Linux the current user's
// keys are the user.reg of the Wine prefix, the machine's its system.reg, of which
// only the policy keys (Software\Policies) are read.
enum class RegistryRoot : std::uint32_t { CurrentUser = 0x80000001u, LocalMachine = 0x80000002u };

// Every key is opened for query alone, in the 64-bit view that a 32-bit program
// on 64-bit Windows shares with every other: the policy keys, which users may
// never write, the mail client's settings, and the mail profile's keys too, so
// that a profile the user may read but not change (one locked down by an
// administrator) is still checked rather than taken for missing.

// An open key; 0 is no key.
using RegistryKey = std::uintptr_t;

// Status codes, as Windows numbers them.
inline constexpr long kRegistryOk = 0;
inline constexpr long kRegistryNotFound = 2;    // no such key or value
inline constexpr long kRegistryBadHandle = 6;   // not an open key
inline constexpr long kRegistryBadPath = 161;   // a key path starting with "\"
inline constexpr long kRegistryMoreData = 234;  // the value does not fit the buffer

// Opens `subKey` (UTF-8, "\"-separated, names matched without regard to case)
// under `root`; the empty path is the root itself. Returns kRegistryOk and sets
// `*key`, or a non-zero status with `*key` = 0 when the key is missing or cannot
// be opened for query.
long OpenRegistryKey(RegistryRoot root, const std::string& subKey, RegistryKey* key);

// Copies the data of the value `name` (UTF-8, matched without regard to case; ""
// is the key's default value) into `buffer`, which holds `*size` bytes. Text types
// (1, 2, 7) come as bytes of the ANSI code page including their NULs, with one
// extra NUL written when there is room and the data does not end in one; every
// other type comes raw. Returns kRegistryOk with `*size` = the data length, or
// kRegistryMoreData with `*size` = the length needed and the buffer untouched, or
// kRegistryNotFound with the buffer and `*size` untouched. A null `buffer` only
// asks for the length. `*type`, when given, is set to the value's type (1 REG_SZ,
// 4 REG_DWORD, ...) whenever the value exists.
long QueryRegistryValue(RegistryKey key, const std::string& name, unsigned char* buffer, std::uint32_t* size,
                        std::uint32_t* type = nullptr);

// Closes a key from OpenRegistryKey; 0 is ignored.
void CloseRegistryKey(RegistryKey key);

// Why a registry file was not read (Linux: the prefix's user.reg or system.reg).
enum class HiveProblem {
  NoAnswer,    // the file system did not answer in time
  OtherUsers,  // the file, or its prefix, is another account's
};
struct UnreadHive {
  std::string path;
  HiveProblem why;
};

// The registry files that were not read since the last call, each once: a run
// reads them as empty, and logs these. Windows: never any.
std::vector<UnreadHive> TakeUnreadHives();

// ---- Typed reads, each opening and closing its key ----

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// Whether `subKey` exists under `root` and can be opened.
bool RegistryKeyExists(RegistryRoot root, const std::string& subKey);

// A value's type and data as QueryRegistryValue hands them over (text types in
// the ANSI code page); nothing when the key or the value is missing or the data
// is longer than `maxSize` bytes.
struct RegistryData {
  std::uint32_t type = 0;
  std::string bytes;
};
std::optional<RegistryData> ReadRegistryData(RegistryRoot root, const std::string& subKey, const std::string& name,
                                             std::uint32_t maxSize);

// A REG_DWORD of 4 bytes; nothing for a missing value and for any other type or size.
std::optional<std::uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& subKey, const std::string& name);

}  // namespace platform
