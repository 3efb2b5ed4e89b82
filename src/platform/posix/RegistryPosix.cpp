// HKEY_CURRENT_USER is the user.reg of the Wine prefix the user's mail client runs
// in. The file is read and indexed once per run; the answers are those the
// narrow-character registry calls give a program running in that prefix.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/Bounded.h"
#include "platform/CodePage.h"
#include "platform/emulation/UserReg.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/HiveCache.h"
#include "platform/posix/MountTable.h"
#include "platform/posix/Owner.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

using emulation::UserReg;

// Room for `size` bytes, or nullptr when there is not that much memory.
std::shared_ptr<char> Allocate(std::size_t size) {
  try {
    return std::shared_ptr<char>(new char[size], std::default_delete<char[]>());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

struct FileBytes {
  std::shared_ptr<char> bytes;
  std::size_t size = 0;
};

// A registry file open for reading when it is one the run may read: a regular
// file of the running user's (reached through links or not: another account's
// prefix is theirs alone), in a prefix of the user's, no larger than any registry.
// Closed otherwise, with `foreign` set when it is another account's.
posix::ReadableFile OpenRegistryFile(const std::string& path, bool& foreign) {
  foreign = false;
  if (path.empty()) return {};
  posix::ReadableFile file = posix::OpenReadable(path, posix::Owners::Anyone, posix::kMaxRegistryFileSize);
  if (file.error != 0 || file.info.st_size == 0) {
    file.fd.Close();
    return file;
  }
  foreign = !posix::IsOwn(file.info) || !posix::IsOwnFolder(path.substr(0, path.rfind('/')));
  if (foreign) file.fd.Close();
  return file;
}

// The whole file; nothing when it is missing, unreadable, not one the run may
// read (OpenRegistryFile; a pipe must not block the run) or too large for the
// memory at hand.
FileBytes ReadRegistryFile(const std::string& path, bool& foreign) {
  FileBytes file;
  const posix::ReadableFile registry = OpenRegistryFile(path, foreign);
  if (registry.fd.get() < 0) return file;
  const auto size = static_cast<std::size_t>(registry.info.st_size);
  file.bytes = Allocate(size);
  while (file.bytes && file.size < size) {
    const ssize_t got = ::read(registry.fd.get(), file.bytes.get() + file.size, size - file.size);
    if (got <= 0) break;
    file.size += static_cast<std::size_t>(got);
  }
  return file;
}

// The user's hive: user.reg, whole.
std::shared_ptr<UserReg> LoadUserReg(const std::string& path, bool& foreign) {
  FileBytes file = ReadRegistryFile(path, foreign);
  try {
    return std::make_shared<UserReg>(std::move(file.bytes), file.size);
  } catch (const std::bad_alloc&) {
    // A registry too large for the memory at hand reads as an empty one.
    return std::make_shared<UserReg>(std::string());
  }
}

// The machine's hive: system.reg holds megabytes of the prefix's own settings,
// and a run reads nothing of it but the policy keys. The file is mapped, not
// read, and only those keys are copied out (here) and parsed (LoadPolicyKeys): a
// quiet run pays for a look at each key line and no more.
std::string PolicyKeysText(const std::string& path, bool& foreign) {
  std::string kept;
  const posix::ReadableFile registry = OpenRegistryFile(path, foreign);
  if (registry.fd.get() < 0) return kept;
  const auto size = static_cast<std::size_t>(registry.info.st_size);
  void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, registry.fd.get(), 0);
  if (mapped != MAP_FAILED) {
    try {
      kept = emulation::KeysUnder(std::string_view(static_cast<const char*>(mapped), size), "Software\\\\Policies\\\\");
    } catch (const std::bad_alloc&) {
      kept.clear();
    }
    ::munmap(mapped, size);
  }
  return kept;
}

std::shared_ptr<UserReg> LoadPolicyKeys(const std::string& path, bool& foreign) {
  return std::make_shared<UserReg>(PolicyKeysText(path, foreign));
}

// The files that could not be read since they were last asked for.
std::vector<UnreadHive>& Unread() {
  static std::vector<UnreadHive> unread;
  return unread;
}

// A hive of the prefix's, as LoadPolicyKeys or LoadUserReg reads it; read as
// bounded work where a file system may not answer, and given up after a bounded
// time. A file not read is noted with why; it reads as an empty hive.
std::shared_ptr<UserReg> Load(const std::string& path, bool machine) {
  // A prefix whose one file did not answer is not waited on for the other.
  static std::set<std::string> silent;
  const std::string prefix = path.substr(0, path.rfind('/'));
  if (silent.count(prefix) != 0) {
    Unread().push_back({path, HiveProblem::NoAnswer});
    return std::make_shared<UserReg>(std::string());
  }
  bool answered = true;
  bool foreign = false;
  std::shared_ptr<UserReg> reg;
  if (posix::SomeFileSystemMayNotAnswer()) {
    // Read where a file system that never answers cannot hold the run: the text
    // comes back to be indexed here ("F" for another account's file).
    const BoundedResult read = RunBounded(true, [&path, machine](const Reply& reply) {
      bool theirs = false;
      std::string told(1, 'T');
      if (machine) {
        told += PolicyKeysText(path, theirs);
      } else {
        const FileBytes file = ReadRegistryFile(path, theirs);
        if (file.bytes) told.append(file.bytes.get(), file.size);
      }
      reply(theirs ? std::string("F") : told);
    });
    answered = read.ended && read.replies.size() == 1;
    foreign = answered && read.replies[0] == "F";
    if (answered && !foreign) reg = std::make_shared<UserReg>(read.replies[0].substr(1));
  } else {
    reg = machine ? LoadPolicyKeys(path, foreign) : LoadUserReg(path, foreign);
  }
  if (answered && !foreign) return reg;
  if (!answered) silent.insert(prefix);
  Unread().push_back({path, answered ? HiveProblem::OtherUsers : HiveProblem::NoAnswer});
  return std::make_shared<UserReg>(std::string());
}

struct Hive {
  std::string path;
  std::shared_ptr<UserReg> reg;
};

Hive& CachedHive(RegistryRoot root) {
  // Never destroyed: freeing a large hive's index at exit would only cost time.
  static auto* hives = new std::array<Hive, 2>;
  return (*hives)[root == RegistryRoot::LocalMachine ? 1 : 0];
}

// The hive of `root`, read once per run from the Wine prefix.
std::shared_ptr<UserReg> HiveOf(RegistryRoot root) {
  const bool machine = root == RegistryRoot::LocalMachine;
  Hive& hive = CachedHive(root);
  const std::string prefix = posix::WinePrefix();
  const std::string path = prefix.empty() ? std::string() : prefix + (machine ? "/system.reg" : "/user.reg");
  if (!hive.reg || hive.path != path) {
    hive.path = path;
    hive.reg = Load(path, machine);
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

std::vector<UnreadHive> TakeUnreadHives() { return std::exchange(Unread(), {}); }

namespace posix {
void ForgetUserReg() {
  for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) CachedHive(root) = {};
}
}  // namespace posix

long OpenRegistryKey(RegistryRoot root, const std::string& subKey, RegistryKey* key) {
  *key = 0;
  if (root != RegistryRoot::CurrentUser && root != RegistryRoot::LocalMachine) return kRegistryBadHandle;
  if (!subKey.empty() && subKey.front() == '\\') return kRegistryBadPath;
  std::shared_ptr<UserReg> reg = HiveOf(root);
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

long QueryRegistryValue(RegistryKey key, const std::string& name, unsigned char* buffer, std::uint32_t* size,
                        std::uint32_t* type) {
  OpenKey* open = FindHandle(key);
  if (open == nullptr) return kRegistryBadHandle;
  const emulation::UserRegValue* value = open->reg->FindValue(open->id, ThroughAnsi(name));
  if (value == nullptr) return kRegistryNotFound;
  if (type) *type = value->type;

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
