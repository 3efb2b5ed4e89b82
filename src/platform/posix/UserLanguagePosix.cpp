#include <cstdlib>
#include <string_view>

#include "platform/UserLanguage.h"

namespace platform {

bool UserLanguageIsJapanese() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::string_view(value).starts_with("ja");
  }
  return false;
}

}  // namespace platform
