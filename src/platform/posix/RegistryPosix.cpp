// HKEY_CURRENT_USER is the user.reg of the Wine prefix the user's mail client runs
// in. The file is read and indexed once per run; the answers are those the
// narrow-character registry calls give a program running in that prefix.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/posix/UserReg.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

using posix::UserReg;

// Room for `size` bytes, or nullptr when there is not that much memory.
std::shared_ptr<char> Allocate(std::size_t size) {
  try {
    return std::shared_ptr<char>(new char[size], std::default_delete<char[]>());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// No real registry comes near this; a file beyond it is not one.
constexpr off_t kMaxUserRegSize = off_t{1} << 30;

// The whole file as a hive; an empty hive when it is missing, unreadable, not a
// regular file (a pipe must not block the run), larger than any registry or too
// large for the memory at hand.
std::shared_ptr<UserReg> LoadUserReg(const std::string& path) {
  std::shared_ptr<char> bytes;
  std::size_t done = 0;
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= kMaxUserRegSize) {
      const auto size = static_cast<std::size_t>(info.st_size);
      bytes = Allocate(size);
      while (bytes && done < size) {
        const ssize_t got = ::read(fd, bytes.get() + done, size - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
      }
    }
    ::close(fd);
  }
  try {
    return std::make_shared<UserReg>(std::move(bytes), done);
  } catch (const std::bad_alloc&) {
    // A registry too large for the memory at hand reads as an empty one.
    return std::make_shared<UserReg>(std::string());
  }
}

struct Hive {
  std::string path;
  std::shared_ptr<UserReg> reg;
};

Hive& CachedHive() {
  // Never destroyed: freeing a large hive's index at exit would only cost time.
  static Hive* hive = new Hive;
  return *hive;
}

std::shared_ptr<UserReg> CurrentUserHive() {
  const std::string prefix = posix::WinePrefix();
  const std::string path = prefix.empty() ? std::string() : prefix + "/user.reg";
  Hive& hive = CachedHive();
  if (!hive.reg || hive.path != path) {
    hive.path = path;
    hive.reg = LoadUserReg(path);
  }
  return hive.reg;
}

struct OpenKey {
  std::shared_ptr<UserReg> reg;
  UserReg::KeyId id;
};

std::vector<std::optional<OpenKey>>& Handles() {
  static std::vector<std::optional<OpenKey>> handles;
  return handles;
}

OpenKey* FindHandle(RegistryKey key) {
  auto& handles = Handles();
  if (key == 0 || key > handles.size() || !handles[key - 1]) return nullptr;
  return &*handles[key - 1];
}

// Names reach the registry through the ANSI code page, so a character it cannot
// hold arrives as "?" there as well.
std::u16string ThroughAnsi(const std::string& utf8) { return Utf8ToUtf16(FromAnsi(ToAnsi(utf8))); }

// UTF-16LE text (an odd last byte ignored) in the ANSI code page, NULs included.
// Each half of a surrogate pair becomes its own "?", as in the Windows conversion.
std::string Utf16ToAnsi(const std::string& bytes) {
  std::u16string units = FromUtf16Le(bytes);
  std::string ascii;
  ascii.reserve(units.size());
  for (const char16_t unit : units) {
    if (unit >= 0x80) break;
    ascii += static_cast<char>(unit);
  }
  if (ascii.size() == units.size()) return ascii;

  for (char16_t& unit : units) {
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = u'?';
  }
  return ToAnsiBestFit(Utf16ToUtf8(units));
}

bool IsTextType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

}  // namespace

namespace posix {
void ForgetUserReg() { CachedHive() = {}; }
}  // namespace posix

long OpenRegistryKey(RegistryRoot root, const std::string& subKey, RegistryKey* key) {
  *key = 0;
  if (root != RegistryRoot::CurrentUser) return kRegistryBadHandle;
  if (!subKey.empty() && subKey.front() == '\\') return kRegistryBadPath;
  std::shared_ptr<UserReg> reg = CurrentUserHive();
  const std::optional<UserReg::KeyId> id = reg->FindKey(ThroughAnsi(subKey));
  if (!id) return kRegistryNotFound;

  auto& handles = Handles();
  std::size_t slot = 0;
  while (slot < handles.size() && handles[slot]) ++slot;
  if (slot == handles.size()) handles.emplace_back();
  handles[slot] = OpenKey{std::move(reg), *id};
  *key = slot + 1;
  return kRegistryOk;
}

long QueryRegistryValue(RegistryKey key, const std::string& name, unsigned char* buffer, std::uint32_t* size) {
  OpenKey* open = FindHandle(key);
  if (open == nullptr) return kRegistryBadHandle;
  const posix::UserRegValue* value = open->reg->FindValue(open->id, ThroughAnsi(name));
  if (value == nullptr) return kRegistryNotFound;

  const std::string converted = IsTextType(value->type) ? Utf16ToAnsi(value->data) : std::string();
  const std::string& data = IsTextType(value->type) ? converted : value->data;
  const std::size_t room = *size;
  *size = static_cast<std::uint32_t>(data.size());
  if (buffer == nullptr) return kRegistryOk;
  if (data.size() > room) return kRegistryMoreData;
  std::copy(data.begin(), data.end(), buffer);
  // Text that did not bring its own NUL gets one when the buffer has room for it.
  if (IsTextType(value->type) && !data.empty() && data.size() < room && data.back() != '\0') {
    buffer[data.size()] = 0;
  }
  return kRegistryOk;
}

void CloseRegistryKey(RegistryKey key) {
  if (FindHandle(key) != nullptr) Handles()[key - 1].reset();
}

}  // namespace platform
