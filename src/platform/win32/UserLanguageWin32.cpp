#include <windows.h>

#include "platform/UserLanguage.h"

namespace platform {

bool UserLanguageIsJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

}  // namespace platform
