// What both systems' run locks share: the key made of the files' identities.
#include "platform/RunLock.h"

#include <cstdio>

namespace platform {

std::string LockKey(const std::vector<std::string>& identities) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const std::string& identity : identities)
    for (const char c : identity + '\n') {
      hash ^= static_cast<unsigned char>(c);
      hash *= 0x100000001b3u;
    }
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
  return key;
}

}  // namespace platform
